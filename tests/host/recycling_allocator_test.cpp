// The program's operator new: a recycled block always has room for what is asked of it, the blocks
// the collision pass frees come back for the next pass, and blocks cross between malloc and the
// shelves either way.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "recycling_allocator.h"

namespace {

class RecyclingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!blockRecycling()) GTEST_SKIP() << "no recycling in this build (sanitizer)";
  }
  void TearDown() override { setBlockRecycling(true); }
};

TEST_F(RecyclingTest, EveryRecycledBlockHoldsItsRequest) {
  // every size up to past the largest shelf, freed in an order unlike the one they were made in,
  // then asked for again in the opposite order of sizes
  std::vector<void*> blocks;
  for (std::size_t size = 1; size <= 4200; ++size) blocks.push_back(::operator new(size));
  for (std::size_t i = 0; i < blocks.size(); i += 2) ::operator delete(blocks[i]);
  for (std::size_t i = 1; i < blocks.size(); i += 2) ::operator delete(blocks[i]);
  blocks.clear();
  for (std::size_t size = 4200; size >= 1; --size) {
    void* block = ::operator new(size);
    ASSERT_GE(malloc_usable_size(block), size) << "a block of " << size << " bytes";
    std::memset(block, 0xab, size);
    blocks.push_back(block);
  }
  for (void* block : blocks) ::operator delete(block);
}

TEST_F(RecyclingTest, FreedBlocksComeBackForTheSameSizes) {
  // as the hash space does every step: a burst of nodes made and dropped
  std::vector<void*> first, second;
  for (int i = 0; i < 200; ++i) first.push_back(::operator new(40));
  for (void* block : first) ::operator delete(block);
  for (int i = 0; i < 200; ++i) second.push_back(::operator new(40));
  int reused = 0;
  for (void* block : second) {
    for (void* old : first) reused += block == old;
  }
  EXPECT_EQ(reused, 200);
  for (void* block : second) ::operator delete(block);
}

TEST_F(RecyclingTest, BlocksCrossBetweenMallocAndTheShelves) {
  // a block from before recycling began goes onto a shelf and serves its size; a block handed out
  // from a shelf can go to free()
  setBlockRecycling(false);
  void* early = ::operator new(100);
  setBlockRecycling(true);
  ::operator delete(early);
  void* again = ::operator new(100);
  EXPECT_EQ(again, early);
  // the mismatch is what is tested: a library that frees what the program's new made
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
  std::free(again);
#pragma GCC diagnostic pop
}

}  // namespace
