#include "shape_meshes.h"

#include <cmath>

// Fine enough that a wheel of the game's size shows no facets at the start-up camera.
constexpr int kSphereStacks = 16, kSphereSlices = 32, kCylinderSlices = 32;
constexpr float kPi = 3.14159265358979f;

unsigned MeshData::add(float x, float y, float z, float nx, float ny, float nz) {
  vertices.push_back({{x, y, z}, {nx, ny, nz}});
  return static_cast<unsigned>(vertices.size() - 1);
}

void MeshData::quad(unsigned a, unsigned b, unsigned c, unsigned d) {
  indices.insert(indices.end(), {a, b, c, a, c, d});
}

MeshData boxMesh() {
  MeshData mesh;
  for (int axis = 0; axis < 3; ++axis) {
    for (float sign : {-1.0f, 1.0f}) {
      float n[3] = {0, 0, 0}, u[3] = {0, 0, 0}, v[3] = {0, 0, 0};
      n[axis] = sign;
      u[(axis + 1) % 3] = 1;
      v[(axis + 2) % 3] = sign;
      unsigned corner[4];
      const float su[4] = {-1, 1, 1, -1}, sv[4] = {-1, -1, 1, 1};
      for (int i = 0; i < 4; ++i)
        corner[i] = mesh.add(0.5f * (n[0] + su[i] * u[0] + sv[i] * v[0]),
                             0.5f * (n[1] + su[i] * u[1] + sv[i] * v[1]),
                             0.5f * (n[2] + su[i] * u[2] + sv[i] * v[2]), n[0], n[1], n[2]);
      mesh.quad(corner[0], corner[1], corner[2], corner[3]);
    }
  }
  return mesh;
}

MeshData sphereMesh() {
  MeshData mesh;
  for (int stack = 0; stack <= kSphereStacks; ++stack) {
    const float theta = kPi * static_cast<float>(stack) / kSphereStacks;
    for (int slice = 0; slice <= kSphereSlices; ++slice) {
      const float phi = 2 * kPi * static_cast<float>(slice) / kSphereSlices;
      const float x = std::sin(theta) * std::cos(phi), y = std::sin(theta) * std::sin(phi),
                  z = std::cos(theta);
      mesh.add(x, y, z, x, y, z);
    }
  }
  for (int stack = 0; stack < kSphereStacks; ++stack)
    for (int slice = 0; slice < kSphereSlices; ++slice) {
      const auto a = static_cast<unsigned>(stack * (kSphereSlices + 1) + slice);
      const auto b = a + kSphereSlices + 1;
      mesh.quad(a, b, b + 1, a + 1);
    }
  return mesh;
}

MeshData cylinderMesh() {
  MeshData mesh;
  for (int slice = 0; slice < kCylinderSlices; ++slice) {
    const float a0 = 2 * kPi * static_cast<float>(slice) / kCylinderSlices;
    const float a1 = 2 * kPi * static_cast<float>(slice + 1) / kCylinderSlices;
    const float c0 = std::cos(a0), s0 = std::sin(a0), c1 = std::cos(a1), s1 = std::sin(a1);
    // side
    mesh.quad(mesh.add(c0, s0, -0.5f, c0, s0, 0), mesh.add(c1, s1, -0.5f, c1, s1, 0),
              mesh.add(c1, s1, 0.5f, c1, s1, 0), mesh.add(c0, s0, 0.5f, c0, s0, 0));
    // caps
    for (float end : {-0.5f, 0.5f}) {
      const float n = end > 0 ? 1.0f : -1.0f;
      const unsigned centre = mesh.add(0, 0, end, 0, 0, n);
      const unsigned p0 = mesh.add(c0, s0, end, 0, 0, n), p1 = mesh.add(c1, s1, end, 0, 0, n);
      // counter-clockwise seen from outside, like every other face
      if (end > 0)
        mesh.indices.insert(mesh.indices.end(), {centre, p0, p1});
      else
        mesh.indices.insert(mesh.indices.end(), {centre, p1, p0});
    }
  }
  return mesh;
}

MeshData squareMesh() {
  MeshData mesh;
  mesh.quad(mesh.add(-1, -1, 0, 0, 0, 1), mesh.add(1, -1, 0, 0, 0, 1), mesh.add(1, 1, 0, 0, 0, 1),
            mesh.add(-1, 1, 0, 0, 0, 1));
  return mesh;
}
