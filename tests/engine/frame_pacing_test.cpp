// Frame pacing: due frames, catch-up after a stall, and the 32-bit tick wrap.
#include "frame_pacing.h"

#include <gtest/gtest.h>

namespace {

struct DelayCase {
  const char* name;
  uint32_t interval, next, now;
  uint32_t delay, nextAfter;
};

TEST(FrameDelay, AnswersTimeLeftOrAdvancesTheDeadlineByOneInterval) {
  const DelayCase cases[] = {
      {"before the deadline", 30, 1000, 990, 10, 1000},
      {"at the deadline", 30, 1000, 1000, 0, 1030},
      {"after a stall: one interval, not now plus one", 30, 1000, 1300, 0, 1030},
      {"both below the wrap", 30, 0xFFFFFFF0u, 0xFFFFFFE0u, 16, 0xFFFFFFF0u},
      {"deadline past the wrap, clock not yet", 30, 0x00000010u, 0xFFFFFFF0u, 32, 0x00000010u},
      {"clock past the wrap, deadline just below it", 30, 0xFFFFFFF0u, 0x00000005u, 0, 0x0000000Eu},
      {"unpaced runs every frame whatever the clock", 0, 0, 0x90000000u, 0, 0},
  };
  for (const DelayCase& c : cases) {
    FramePacing pacing{c.interval, c.next};
    EXPECT_EQ(FrameDelay(pacing, c.now), c.delay) << c.name;
    EXPECT_EQ(pacing.NextFrameTick, c.nextAfter) << c.name;
  }
}

TEST(FrameDelay, StallIsCaughtUpFrameByFrameAcrossTheWrap) {
  // 300 ms late at 30 ms per frame: the deadline and the 11 frames due by then
  // (the late one included) run back to back, then the loop waits again.
  for (uint32_t start : {1000u, 0xFFFFFF00u}) {
    FramePacing pacing{30, start};
    const uint32_t now = start + 300;
    int due = 0;
    while (FrameDelay(pacing, now) == 0) ASSERT_LT(++due, 100);
    EXPECT_EQ(due, 11) << start;
    EXPECT_EQ(FrameDelay(pacing, now), 30u) << start;
  }
}

TEST(StartPacing, SetsIntervalAndFirstDeadlineOnlyForPositiveRates) {
  struct {
    int32_t fps;
    uint32_t interval, next;
  } const cases[] = {{33, 30, 1030}, {1000, 1, 1001}, {0, 7, 77}, {-5, 7, 77}};
  for (const auto& c : cases) {
    FramePacing pacing{7, 77};
    StartPacing(pacing, c.fps, 1000);
    EXPECT_EQ(pacing.FrameInterval, c.interval) << c.fps;
    EXPECT_EQ(pacing.NextFrameTick, c.next) << c.fps;
  }
}

} // namespace
