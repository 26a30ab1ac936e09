// The bench's eyes and hands inside Wine: reports the display mode and finds,
// closes, minimises and restores windows by class name. There is no window manager
// on the bench's display, so these things can only be done from inside.
//   winprobe mode              prints WIDTHxHEIGHTxBITS of the current display mode
//   winprobe exists CLASS      prints 1 when a window of that class exists, else 0
//   winprobe close CLASS       posts WM_CLOSE to it
//   winprobe minimize CLASS    minimises it
//   winprobe restore CLASS     restores it and makes it the foreground window
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "mode") == 0) {
    DEVMODEA mode;
    ZeroMemory(&mode, sizeof mode);
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return 1;
    std::printf("%lux%lux%lu\n", mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel);
    return 0;
  }
  if (argc < 3) return 2;
  HWND window = FindWindowA(argv[2], nullptr);
  if (std::strcmp(argv[1], "exists") == 0) {
    std::printf("%d\n", window ? 1 : 0);
    return 0;
  }
  if (!window) return 1;
  if (std::strcmp(argv[1], "close") == 0) return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
  if (std::strcmp(argv[1], "minimize") == 0) return ShowWindow(window, SW_MINIMIZE), 0;
  if (std::strcmp(argv[1], "restore") == 0) {
    ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    return 0;
  }
  return 2;
}
