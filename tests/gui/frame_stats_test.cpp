// The window's frame times: percentiles by nearest rank, and the report's lines.
#include "frame_stats.h"

#include <gtest/gtest.h>

namespace velmgui {
namespace {

TEST(FrameStats, PercentilesAreNearestRanksOfEachKindAlone) {
  FrameStats stats;
  for (int ms = 100; ms >= 1; --ms)
    stats.Add(Interaction::kScroll, ms);
  stats.Add(Interaction::kDrop, 40);
  const struct {
    Interaction kind;
    double share, expected;
  } kCases[] = {{Interaction::kScroll, 0.5, 50},  {Interaction::kScroll, 0.99, 99},
                {Interaction::kScroll, 1.0, 100}, {Interaction::kScroll, 0.0, 1},
                {Interaction::kDrop, 0.99, 40},   {Interaction::kHover, 0.5, 0}};
  for (const auto& c : kCases)
    EXPECT_EQ(stats.Percentile(c.kind, c.share), c.expected) << c.share;
  EXPECT_EQ(stats.Report(),
            "kind            count  median ms   p99 ms  worst ms\n"
            "drop                1      40.00    40.00     40.00\n"
            "scroll            100      50.00    99.00    100.00\n");
}

}  // namespace
}  // namespace velmgui
