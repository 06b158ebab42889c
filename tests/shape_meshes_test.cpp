// The unit shapes the renderer scales: closed triangle lists with outward unit normals, exactly
// as large as the scaling expects.
#include <gtest/gtest.h>

#include <cmath>

#include "host/shape_meshes.h"

namespace {

struct Extent {
  float across;  // largest distance from the z axis
  float along;   // largest |z|
};

TEST(ShapeMeshes, HaveOutwardUnitNormalsAndTheUnitSize) {
  struct Case {
    const char* name;
    MeshData mesh;
    Extent extent;
  };
  const Case cases[] = {
      {"box", boxMesh(), {std::sqrt(0.5f), 0.5f}},
      {"sphere", sphereMesh(), {1, 1}},
      {"cylinder", cylinderMesh(), {1, 0.5f}},
      {"square", squareMesh(), {std::sqrt(2.0f), 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.mesh.indices.empty());
    EXPECT_EQ(c.mesh.indices.size() % 3, 0u);
    for (unsigned index : c.mesh.indices) ASSERT_LT(index, c.mesh.vertices.size());
    Extent seen{0, 0};
    for (const Vertex& v : c.mesh.vertices) {
      const float* p = v.pos;
      const float* n = v.normal;
      EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1, 1e-5);
      EXPECT_GE(p[0] * n[0] + p[1] * n[1] + p[2] * n[2], -1e-5) << "normal points inward";
      seen.across = std::max(seen.across, std::hypot(p[0], p[1]));
      seen.along = std::max(seen.along, std::abs(p[2]));
    }
    EXPECT_NEAR(seen.across, c.extent.across, 1e-5);
    EXPECT_NEAR(seen.along, c.extent.along, 1e-5);
  }
}

}  // namespace
