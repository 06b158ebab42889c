// The GL renderer: draws a frame's calls, lit and shaded, with the ground, the sky and the
// shadows, into the current GL 3.3 core context. GL headers stay in its .cpp.
#pragma once

#include <array>
#include <memory>
#include <span>
#include <string>

#include "backend.h"
#include "png_image.h"
#include "view.h"

// Where the sun's shadow of a world point falls on the ground (z = 0).
std::array<float, 3> shadowOnGround(const std::array<float, 3>& point);

class GlRenderer {
 public:
  GlRenderer();
  ~GlRenderer();
  GlRenderer(const GlRenderer&) = delete;
  GlRenderer& operator=(const GlRenderer&) = delete;

  // Builds the shaders and meshes in the current context; false with a one-line reason.
  bool init(std::string& error);

  // Starts reading the textures of dir on a thread (no GL needed, so before init() too): a first
  // frame whose view.textureDir is dir takes them from there.
  void startLoadingTextures(const std::string& dir);

  // Draws the frame into the renderer's own target of width x height and copies it into the
  // bound framebuffer (which needs no samples, depth or stencil of its own). A 0 x 0 target draws
  // nothing. The textures come from view.textureDir the first time it is seen.
  void draw(std::span<const DrawCall> calls, const View& view, int width, int height);

  // Draws the frame into the renderer's own target of width x height and reads it back. The
  // target is multisampled where the GL is hardware, single-sampled on a software rasterizer.
  // The ground and the sky are kept from frame to frame and drawn again only when the camera,
  // the size or the textures change, and a frame equal to the last one drawn (calls, camera,
  // switches, size) is not drawn again (CANNONCAR_BACKGROUND_CACHE=0: everything every frame).
  // The target holds the scene only: overlays go onto the destination after draw().
  Image picture(std::span<const DrawCall> calls, const View& view, int width, int height);

  // Where the target is single-sampled (a software rasterizer): draws the frame, overlay and all,
  // into the renderer's own target and gives its framebuffer, for the picture to be read from
  // there without a copy; 0 when nothing was drawn, or the target is multisampled.
  unsigned drawForReading(std::span<const DrawCall> calls, const View& view, int width, int height);

  // The picture the last draw() or drawForReading() left in its framebuffer, overlay and all,
  // read back (in a window, before the buffers are swapped); empty before the first.
  Image shownPicture();

  // The floor under picture(): the same target cleared and read back the same way, nothing
  // drawn.
  Image emptyPicture(int width, int height);

  // True on a software rasterizer, where reading a picture back is a copy in memory.
  bool software() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
