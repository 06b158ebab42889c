// The unit shapes the renderer scales: closed triangle lists with outward unit normals, exactly
// as large as the scaling expects.
#include <gtest/gtest.h>

#include <cmath>

#include "shape_meshes.h"

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

// The renderer culls back faces and flattened shadows by their winding: every triangle must run
// counter-clockwise seen from outside, that is, its face normal must agree with its vertices'.
TEST(ShapeMeshes, TrianglesWindCounterClockwiseFromOutside) {
  struct Case {
    const char* name;
    MeshData mesh;
  };
  const Case cases[] = {{"box", boxMesh()},
                        {"sphere", sphereMesh()},
                        {"cylinder", cylinderMesh()},
                        {"square", squareMesh()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (std::size_t t = 0; t + 2 < c.mesh.indices.size(); t += 3) {
      const Vertex& a = c.mesh.vertices[c.mesh.indices[t]];
      const Vertex& b = c.mesh.vertices[c.mesh.indices[t + 1]];
      const Vertex& d = c.mesh.vertices[c.mesh.indices[t + 2]];
      float u[3], v[3], normal[3] = {0, 0, 0};
      for (int i = 0; i < 3; ++i) {
        u[i] = b.pos[i] - a.pos[i];
        v[i] = d.pos[i] - a.pos[i];
        normal[i] = a.normal[i] + b.normal[i] + d.normal[i];
      }
      const float face[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
      const float area = std::sqrt(face[0] * face[0] + face[1] * face[1] + face[2] * face[2]);
      if (area < 1e-6f) continue;  // the sphere's pole triangles have no area
      EXPECT_GT(face[0] * normal[0] + face[1] * normal[1] + face[2] * normal[2], 0)
          << "triangle " << t / 3 << " winds clockwise";
    }
  }
}

}  // namespace
