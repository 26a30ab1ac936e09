// Frame pacing arithmetic, free of platform calls.
#include "frame_pacing.h"

uint32_t FrameDelay(FramePacing& Pacing, uint32_t Now) {
  // Unpaced: every frame is due, whatever the deadline left from an earlier set-up says.
  if (Pacing.FrameInterval == 0) return 0;
  const int32_t left = static_cast<int32_t>(Pacing.NextFrameTick - Now);
  if (left > 0) return static_cast<uint32_t>(left);
  Pacing.NextFrameTick += Pacing.FrameInterval;
  return 0;
}

void StartPacing(FramePacing& Pacing, int32_t TargetFps, uint32_t Now) {
  if (TargetFps <= 0) return;
  Pacing.FrameInterval = 1000u / static_cast<uint32_t>(TargetFps);
  Pacing.NextFrameTick = Now + Pacing.FrameInterval;
}
