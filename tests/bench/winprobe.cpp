// The bench's eyes and hands inside Wine: reports the display mode and finds,
// closes, minimises and restores windows by class name. There is no window manager
// on the bench's display, so these things can only be done from inside.
//   winprobe mode              prints WIDTHxHEIGHTxBITS of the current display mode
//   winprobe exists CLASS      prints 1 when a window of that class exists, else 0
//   winprobe iconic CLASS      prints 1 when it is minimised, else 0
//   winprobe close CLASS       posts WM_CLOSE to it
//   winprobe minimize CLASS    minimises it
//   winprobe restore CLASS     restores it and makes it the foreground window
//   winprobe msgbox            prints the caption and the text of the message box
//                              that is open, as UTF-8 on two lines
//   winprobe dismiss           presses the OK button of the message box that is open
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY); // texts keep their own line ends
  if (argc >= 2 && std::strcmp(argv[1], "mode") == 0) {
    DEVMODEA mode;
    ZeroMemory(&mode, sizeof mode);
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return 1;
    std::printf("%lux%lux%lu\n", mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "msgbox") == 0) {
    HWND box = FindWindowA("#32770", nullptr);
    if (!box) return 1;
    wchar_t caption[256] = {}, text[1024] = {};
    GetWindowTextW(box, caption, 256);
    GetDlgItemTextW(box, 0xFFFF, text, 1024); // the text of a message box is its static control 0xFFFF
    char out[4096];
    WideCharToMultiByte(CP_UTF8, 0, caption, -1, out, sizeof out, nullptr, nullptr);
    std::printf("%s\n", out);
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
    std::printf("%s\n", out);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "dismiss") == 0) {
    HWND box = FindWindowA("#32770", nullptr);
    return box && PostMessageA(box, WM_COMMAND, IDOK, 0) ? 0 : 1;
  }
  if (argc < 3) return 2;
  HWND window = FindWindowA(argv[2], nullptr);
  if (std::strcmp(argv[1], "exists") == 0) {
    std::printf("%d\n", window ? 1 : 0);
    return 0;
  }
  if (!window) return 1;
  if (std::strcmp(argv[1], "iconic") == 0) {
    std::printf("%d\n", IsIconic(window) ? 1 : 0);
    return 0;
  }
  if (std::strcmp(argv[1], "close") == 0) return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
  if (std::strcmp(argv[1], "minimize") == 0) return ShowWindow(window, SW_MINIMIZE), 0;
  if (std::strcmp(argv[1], "restore") == 0) {
    ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    return 0;
  }
  return 2;
}
