#include "software_present.h"

#include <epoxy/gl.h>
// GLFW after epoxy, which brings the GL declarations.
#include <GLFW/glfw3.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "lost_display.h"

// GLFW's X11 connection and window. Declared as glfw3native.h declares them: that header would
// also pull in the XRandR headers, which nothing here uses.
extern "C" Display* glfwGetX11Display();
extern "C" Window glfwGetX11Window(GLFWwindow* window);

namespace {

// The pixels as the X server keeps them in a 24- or 32-bit TrueColor visual and a little-endian
// image: blue, green, red, then an alpha that a compositor would honour, so always opaque.
constexpr unsigned long kRedMask = 0xff0000, kGreenMask = 0xff00, kBlueMask = 0xff;
constexpr std::uint32_t kOpaque = 0xff000000u;

bool refused = false;

// A pixel read as RGBA bytes (red lowest on a little-endian client) as the server keeps it.
inline std::uint32_t serverPixel(std::uint32_t rgba) {
  return ((rgba & 0xffu) << 16) | (rgba & 0xff00u) | ((rgba >> 16) & 0xffu) | kOpaque;
}

int noteRefusal(Display*, XErrorEvent*) {
  refused = true;
  return 0;
}

}  // namespace

struct SoftwarePresent::Impl {
  Display* display = nullptr;
  Window window = 0;
  Visual* visual = nullptr;
  int depth = 0;
  GC gc = nullptr;
  XImage* image = nullptr;
  XShmSegmentInfo segment{};
  bool putPending = false;  // the server may still be reading the shared pixels
  bool unshared = false;    // the server would not share memory: GL shows the frames
  int width = 0, height = 0;

  ~Impl();
  bool makeImage(int newWidth, int newHeight);
  void releaseImage();
  void waitForPut();
};

SoftwarePresent::Impl::~Impl() {
  // Past a lost display neither the X connection nor the GL driver is touched again.
  if (displayLost()) return;
  releaseImage();
  if (gc) XFreeGC(display, gc);
}

void SoftwarePresent::Impl::waitForPut() {
  if (!putPending) return;
  XSync(display, False);
  putPending = false;
}

void SoftwarePresent::Impl::releaseImage() {
  if (!image) return;
  waitForPut();
  XShmDetach(display, &segment);
  XDestroyImage(image);
  shmdt(segment.shmaddr);
  image = nullptr;
}

// A shared-memory image of the window's visual; false when the server refuses to share memory
// (a display on another machine).
bool SoftwarePresent::Impl::makeImage(int newWidth, int newHeight) {
  releaseImage();
  image = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &segment,
                          static_cast<unsigned>(newWidth), static_cast<unsigned>(newHeight));
  if (!image) return false;
  if (image->bits_per_pixel != 32 || image->bytes_per_line != newWidth * 4) {
    XDestroyImage(image);
    image = nullptr;
    return false;
  }
  segment.shmid =
      shmget(IPC_PRIVATE, std::size_t(image->bytes_per_line) * newHeight, IPC_CREAT | 0600);
  segment.shmaddr = segment.shmid >= 0 ? static_cast<char*>(shmat(segment.shmid, nullptr, 0))
                                       : reinterpret_cast<char*>(-1);
  if (segment.shmaddr == reinterpret_cast<char*>(-1)) {
    if (segment.shmid >= 0) shmctl(segment.shmid, IPC_RMID, nullptr);
    XDestroyImage(image);
    image = nullptr;
    return false;
  }
  image->data = segment.shmaddr;
  segment.readOnly = False;
  // Xlib's own handler would end the process at a refusal.
  refused = false;
  const XErrorHandler previous = XSetErrorHandler(noteRefusal);
  XShmAttach(display, &segment);
  XSync(display, False);
  XSetErrorHandler(previous);
  // Marked for removal now, the segment goes when the server and this process let go of it.
  shmctl(segment.shmid, IPC_RMID, nullptr);
  if (refused || displayLost()) {
    XDestroyImage(image);
    shmdt(segment.shmaddr);
    image = nullptr;
    return false;
  }
  return true;
}

SoftwarePresent::SoftwarePresent(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SoftwarePresent::~SoftwarePresent() = default;

std::unique_ptr<SoftwarePresent> SoftwarePresent::make(GLFWwindow* window) {
  auto impl = std::make_unique<Impl>();
  impl->display = glfwGetX11Display();
  impl->window = glfwGetX11Window(window);
  // The pixels are put in the server's order as 32-bit words of this process: both must be
  // little-endian.
  if (std::endian::native != std::endian::little || !impl->display || !impl->window ||
      !XShmQueryExtension(impl->display) || ImageByteOrder(impl->display) != LSBFirst)
    return nullptr;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(impl->display, impl->window, &attributes)) return nullptr;
  const Visual* visual = attributes.visual;
  if (!visual || visual->c_class != TrueColor || visual->red_mask != kRedMask ||
      visual->green_mask != kGreenMask || visual->blue_mask != kBlueMask ||
      (attributes.depth != 24 && attributes.depth != 32))
    return nullptr;
  impl->visual = attributes.visual;
  impl->depth = attributes.depth;
  impl->gc = XCreateGC(impl->display, impl->window, 0, nullptr);
  if (!impl->gc) return nullptr;
  return std::unique_ptr<SoftwarePresent>(new SoftwarePresent(std::move(impl)));
}

bool SoftwarePresent::ready(int width, int height) {
  Impl& p = *impl_;
  if (displayLost() || width <= 0 || height <= 0 || p.unshared) return false;
  if (p.image && width == p.width && height == p.height) return true;
  p.width = p.height = 0;
  if (!p.makeImage(width, height)) {
    p.unshared = true;
    return false;
  }
  p.width = width;
  p.height = height;
  return true;
}

void SoftwarePresent::show(unsigned framebuffer) {
  Impl& p = *impl_;
  if (displayLost() || !framebuffer || !p.image) return;
  // The last frame's pixels may still be in use by the server until now.
  p.waitForPut();
  // On a software rasterizer the read is a copy in memory, straight into the shared image.
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, p.width, p.height, GL_RGBA, GL_UNSIGNED_BYTE, p.image->data);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  // GL's rows run from the bottom, the window's from the top: turned over in place, each pixel
  // put in the server's order on the way.
  const std::size_t width = std::size_t(p.width);
  auto* pixels = reinterpret_cast<std::uint32_t*>(p.image->data);
  for (int y = 0; y < (p.height + 1) / 2; ++y) {
    std::uint32_t* top = pixels + std::size_t(y) * width;
    std::uint32_t* bottom = pixels + std::size_t(p.height - 1 - y) * width;
    for (std::size_t x = 0; x < width; ++x) {
      const std::uint32_t up = top[x], down = bottom[x];
      top[x] = serverPixel(down);
      bottom[x] = serverPixel(up);
    }
  }
  XShmPutImage(p.display, p.window, p.gc, p.image, 0, 0, 0, 0, static_cast<unsigned>(p.width),
               static_cast<unsigned>(p.height), False);
  XFlush(p.display);
  p.putPending = true;
}
