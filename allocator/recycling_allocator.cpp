#include "recycling_allocator.h"

#include <malloc.h>

#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CANNONCAR_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define CANNONCAR_SANITIZED 1
#endif
#endif

#ifndef CANNONCAR_SANITIZED

namespace {

// malloc hands out chunks in steps of 16 bytes, 8 of which are its own header; a shelf holds the
// blocks of one chunk size. A request of n bytes gets the chunk malloc itself would give it.
constexpr std::size_t kChunkStep = 16;
constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kSmallestChunk = 32;
// The hash space's nodes and its growing box arrays fit below this; larger blocks go back to
// malloc, which keeps them in its own bins anyway.
constexpr std::size_t kLargestChunk = 4096;
constexpr std::size_t kShelves = kLargestChunk / kChunkStep + 1;
// A burst of frees cannot pin memory for ever: past this a shelf lets blocks go.
constexpr int kMostPerShelf = 1024;

struct FreeBlock {
  FreeBlock* next;
};

struct Shelf {
  FreeBlock* top;
  int count;
};

// Trivial thread-locals: no guard on access and nothing to run at a thread's exit.
thread_local bool recycling = false;
thread_local Shelf shelves[kShelves];

std::size_t shelfForRequest(std::size_t size) {
  const std::size_t chunk = (size + kChunkHeader + kChunkStep - 1) & ~(kChunkStep - 1);
  return (chunk < kSmallestChunk ? kSmallestChunk : chunk) / kChunkStep;
}

void* allocate(std::size_t size) {
  if (recycling && size + kChunkHeader <= kLargestChunk) {
    const std::size_t index = shelfForRequest(size);
    Shelf& shelf = shelves[index];
    if (FreeBlock* block = shelf.top) {
      shelf.top = block->next;
      --shelf.count;
      return block;
    }
    // the full chunk, so that the block can serve any request of its shelf when it comes back
    return std::malloc(index * kChunkStep - kChunkHeader);
  }
  return std::malloc(size);
}

void release(void* pointer) {
  if (!pointer) return;
  if (recycling) {
    // the block's real size, wherever it came from: a block lands on the shelf of the largest
    // chunk size it can serve
    const std::size_t usable = malloc_usable_size(pointer);
    if (usable + kChunkHeader <= kLargestChunk) {
      Shelf& shelf = shelves[(usable + kChunkHeader) / kChunkStep];
      if (shelf.count < kMostPerShelf) {
        FreeBlock* block = static_cast<FreeBlock*>(pointer);
        block->next = shelf.top;
        shelf.top = block;
        ++shelf.count;
        return;
      }
    }
  }
  std::free(pointer);
}

void* allocateOrThrow(std::size_t size) {
  for (;;) {
    if (void* block = allocate(size)) return block;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

// The main thread runs the static initialisers: it recycles from before main; at exit the shelves
// go back to malloc, so leak checkers see nothing held.
struct MainThreadRecycling {
  MainThreadRecycling() { setBlockRecycling(true); }
  ~MainThreadRecycling() { setBlockRecycling(false); }
} mainThreadRecycling;

}  // namespace

void setBlockRecycling(bool on) {
  recycling = on;
  if (on) return;
  for (Shelf& shelf : shelves) {
    while (FreeBlock* block = shelf.top) {
      shelf.top = block->next;
      std::free(block);
    }
    shelf.count = 0;
  }
}

bool blockRecycling() {
  return recycling;
}

void* operator new(std::size_t size) {
  return allocateOrThrow(size);
}
void* operator new[](std::size_t size) {
  return allocateOrThrow(size);
}
void operator delete(void* pointer) noexcept {
  release(pointer);
}
void operator delete[](void* pointer) noexcept {
  release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
  release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
  release(pointer);
}

#else

void setBlockRecycling(bool) {}
bool blockRecycling() {
  return false;
}

#endif
