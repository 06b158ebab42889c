// The pixels marked as changed cover every pixel a marked sphere can reach, in few rectangles, and
// give up to "everything" where a projection cannot bound them.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "changed_area.h"

namespace {

constexpr int kWidth = 800, kHeight = 600;

// x and y pass through to the screen, w = -z: a camera at the origin looking down -z.
Mat4 lookingDownZ() {
  Mat4 m = identity();
  m.at(3, 2) = -1;
  m.at(3, 3) = 0;
  return m;
}

TEST(ChangedArea, CoversTheSphereWithAPixelToSpareInBandsOfRows) {
  ChangedArea area;
  area.reset(kWidth, kHeight);
  EXPECT_FALSE(area.all());
  EXPECT_TRUE(area.rects().empty());
  // ndc x and y from -0.125 to 0.125: pixels 350..450 across, 262.5..337.5 up, in the bands
  // 256..320 and 320..384, which share a span and make one rectangle.
  area.markSphere(identity(), {0, 0, 0}, 0.125f);
  ASSERT_FALSE(area.all());
  EXPECT_EQ(area.rects(), (std::vector<PixelRect>{{349, 256, 452, 384}}));
  // A second sphere within the lower band widens only that band's span.
  area.markSphere(identity(), {0.5f, 0, 0}, 0.0625f);
  EXPECT_EQ(area.rects(), (std::vector<PixelRect>{{349, 256, 627, 320}, {349, 320, 452, 384}}));
  // Past the picture's edges: clamped to them; wholly outside, nothing.
  area.reset(kWidth, kHeight);
  area.markSphere(identity(), {5, 5, 0}, 0.125f);
  EXPECT_TRUE(area.rects().empty());
  area.markSphere(identity(), {1, -1, 0}, 0.5f);
  EXPECT_EQ(area.rects(), (std::vector<PixelRect>{{599, 0, kWidth, 192}}));
}

TEST(ChangedArea, EverythingWhereTheSphereCannotBeBounded) {
  const struct {
    const char* what;
    std::array<float, 3> centre;
    float radius;
    bool all;
  } cases[] = {
      {"in front of the camera", {0, 0, -5}, 1, false}, {"behind it", {0, 0, 5}, 1, true},
      {"round it", {0, 0, -0.05f}, 0.1f, true},         {"not a number", {NAN, 0, -5}, 1, true},
      {"endless", {0, 0, -5}, INFINITY, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ChangedArea area;
    area.reset(kWidth, kHeight);
    area.markSphere(lookingDownZ(), c.centre, c.radius);
    EXPECT_EQ(area.all(), c.all);
    if (!c.all) {
      EXPECT_FALSE(area.rects().empty());
    }
  }
  ChangedArea area;
  area.reset(kWidth, kHeight);
  area.markAll();
  EXPECT_TRUE(area.all());
  area.reset(kWidth, kHeight);
  EXPECT_FALSE(area.all());
}

}  // namespace
