// operator new over the heap's malloc. mimalloc's own operator new aborts the process when memory
// runs out, without asking the new handler; this one throws std::bad_alloc as the language says,
// so the host can end the run with one line and its outputs handled. Every delete stays the
// heap's, which frees what its malloc gave.
#include <cstdlib>
#include <new>

namespace {

void* allocate(std::size_t size, std::size_t alignment) {
  if (size == 0) size = 1;
  for (;;) {
    void* block =
        alignment ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                  : std::malloc(size);
    if (block) return block;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

}  // namespace

void* operator new(std::size_t size) {
  return allocate(size, 0);
}

void* operator new[](std::size_t size) {
  return allocate(size, 0);
}

void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment));
}

void* operator new[](std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment));
}
