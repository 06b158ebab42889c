// The unit shapes the renderer scales per draw, as vertex and index lists (no GL here).
#pragma once

#include <vector>

struct Vertex {
  float pos[3];
  float normal[3];
};

struct MeshData {
  std::vector<Vertex> vertices;
  std::vector<unsigned> indices;  // triangles

  unsigned add(float x, float y, float z, float nx, float ny, float nz);
  void quad(unsigned a, unsigned b, unsigned c, unsigned d);
};

// Centred at the origin, outward normals: a box of side 1, a sphere of radius 1, a cylinder of
// radius 1 and length 1 along z with its caps, and the square from -1 to 1 in the plane z = 0.
MeshData boxMesh();
MeshData sphereMesh();
MeshData cylinderMesh();
MeshData squareMesh();
