// Frame pacing by a 32-bit millisecond tick count that wraps every 49.7 days.
#pragma once

#include <stdint.h>

struct FramePacing {
  uint32_t FrameInterval; // milliseconds per frame; 0 = frames run back to back
  uint32_t NextFrameTick; // tick at which the next frame is due
};

// Milliseconds left until the next frame is due, or 0 when it is due, in which case
// the deadline moves on by exactly one interval (so a stalled loop catches up).
// Ticks are compared by their signed difference, which stays right across the wrap.
uint32_t FrameDelay(FramePacing& Pacing, uint32_t Now);

// Starts pacing at TargetFps frames per second from Now; 0 or less leaves it unpaced.
void StartPacing(FramePacing& Pacing, int32_t TargetFps, uint32_t Now);
