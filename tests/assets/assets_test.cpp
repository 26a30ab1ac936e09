// The game's pictures and sounds read by the engine's own bitmap decoder and the
// sound library's own wave reader: every file loads, with the size and frame layout
// the screens draw it with, and every wave is the mono 16-bit sound the library needs.
#include "bmp_decode.h"
#include "wave_reader.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string Assets = TRIWELL_ASSETS_DIR;

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::set<std::string> FilesIn(const std::string& dir) {
  std::set<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') names.insert(e->d_name);
    closedir(d);
  }
  return names;
}

struct Picture {
  const char* name;
  int frameW, frameH; // one frame (or the whole picture)
  int width;          // 0: any whole number of frames side by side
  int rows;           // strips stacked below each other
};

const Picture Pictures[] = {
    {"White-Blue cursor.bmp", 31, 31, 0, 1},   {"Background.bmp", 800, 600, 800, 1},
    {"Explosion.bmp", 30, 24, 0, 1},           {"Cells.bmp", 20, 20, 40, 7},
    {"PreviewCells.bmp", 15, 15, 105, 1},      {"Buttons.bmp", 30, 30, 150, 3},
    {"Lamp.bmp", 17, 17, 0, 1},                {"3lamps.bmp", 47, 17, 0, 1},
    {"Down.bmp", 34, 49, 0, 1},                {"Preview.bmp", 60, 60, 0, 1},
    {"PauseWindow_BG.bmp", 315, 305, 315, 1},  {"PauseWindow_Buttons.bmp", 30, 30, 90, 2},
    {"PauseWindow_3lamps.bmp", 47, 17, 0, 1},  {"Records_BG.bmp", 440, 360, 440, 1},
    {"Records_3lamps.bmp", 47, 17, 0, 1},      {"Records_Buttons.bmp", 30, 30, 90, 2},
    {"MainMenu_BG.bmp", 800, 600, 800, 1},     {"MainMenu_StartBtn.bmp", 115, 30, 345, 1},
    {"MainMenu_CloseBtn.bmp", 30, 30, 90, 1},  {"MainMenu_2Btns.bmp", 60, 30, 180, 3},
    {"Indicator(L,R).bmp", 25, 70, 0, 1},      {"MainMenu_Lamp(3Btns).bmp", 17, 17, 0, 3},
    {"MainMenu_Lamp(CloseBtn).bmp", 17, 17, 0, 1}, {"MainMenu_Lamp(Logo).bmp", 17, 17, 0, 1},
    {"About_BG.bmp", 800, 600, 800, 1},        {"BackBtn.bmp", 30, 30, 90, 1},
    {"About_UpDwnBtn.bmp", 17, 20, 51, 2},     {"About_3lamps.bmp", 47, 17, 0, 1},
    {"HelpScreen1.bmp", 375, 140, 375, 1},     {"HelpScreen2.bmp", 375, 140, 375, 1},
};

TEST(Assets, EveryPictureDecodesWithItsSizeAndFrames) {
  std::set<std::string> expected;
  for (const Picture& p : Pictures) {
    expected.insert(p.name);
    const std::vector<uint8_t> file = ReadFile(Assets + "/IMAGES/" + p.name);
    BmpImage image;
    ASSERT_EQ(DecodeBmp(file.data(), file.size(), image), BmpOk) << p.name;
    EXPECT_EQ(image.Height, p.frameH * p.rows) << p.name;
    if (p.width) {
      EXPECT_EQ(image.Width, p.width) << p.name;
    } else {
      EXPECT_EQ(image.Width % p.frameW, 0) << p.name << " holds whole frames";
      EXPECT_GE(image.Width / p.frameW, 2) << p.name << " is animated";
    }
  }
  EXPECT_EQ(FilesIn(Assets + "/IMAGES"), expected) << "no picture missing, none unknown";
}

int64_t ReadMemory(void* context, uint64_t offset, void* dest, uint32_t count) {
  auto* file = static_cast<std::vector<uint8_t>*>(context);
  if (offset >= file->size()) return 0;
  const uint64_t n = std::min<uint64_t>(count, file->size() - offset);
  std::copy_n(file->data() + offset, n, static_cast<uint8_t*>(dest));
  return static_cast<int64_t>(n);
}

TEST(Assets, EverySoundIsShortMono16Bit) {
  const std::set<std::string> expected = {"MENU.WAV",  "CAMERA.WAV", "DOWN1.WAV",   "DOWN2.WAV",
                                          "DOWN3.WAV", "DOWN4.WAV",  "DESTROY1.WAV"};
  EXPECT_EQ(FilesIn(Assets + "/SOUNDS"), expected);
  for (const std::string& name : expected) {
    std::vector<uint8_t> file = ReadFile(Assets + "/SOUNDS/" + name);
    WaveSource source{&file, file.size(), ReadMemory};
    WaveHeader header{};
    ASSERT_EQ(ParseWaveHeader(source, &header), WaveOk) << name;
    EXPECT_EQ(header.FormatTag, 1) << name << " is PCM";
    EXPECT_EQ(header.Channels, 1) << name << " is mono (needed for 3-D sound buffers)";
    EXPECT_EQ(header.BitsPerSample, 16) << name;
    EXPECT_EQ(header.SamplesPerSec, 22050u) << name;
    EXPECT_GT(header.DataSize, 0u) << name;
    EXPECT_LT(header.DataSize, 22050u * 2) << name << " lasts under a second";
  }
}

} // namespace
