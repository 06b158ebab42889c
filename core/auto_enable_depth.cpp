#include "core/auto_enable_depth.h"

#include <cstdint>

// The depth lives in the world's user data as its distance from the default, so that a new world,
// whose user data is null, reads the default even when it reuses a destroyed world's address.
// The distance is kept unsigned so that stepping past INT_MAX or INT_MIN wraps instead of
// overflowing.
static constexpr unsigned kDefaultDepth = 3;

int dWorldGetAutoEnableDepthSF1(dWorldID world) {
  const auto offset = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(dWorldGetData(world)));
  return static_cast<int>(kDefaultDepth + offset);
}

void dWorldSetAutoEnableDepthSF1(dWorldID world, int depth) {
  const unsigned offset = static_cast<unsigned>(depth) - kDefaultDepth;
  dWorldSetData(world, reinterpret_cast<void*>(static_cast<std::uintptr_t>(offset)));
}
