// Bitmap surfaces through the engine library on a real DirectDraw display under
// Wine: files loaded at first draw, exact pixels, colour keys, broken files.
#include "tavrik_engine.h"

#include "bmp_builder.h"
#include "surface_readback.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace bmptest;

std::vector<uint16_t> SurfacePixels(SurfaceRecord* s) { return ReadBack(s).data; }

uint16_t BackBufferPixel(int x, int y) { return ReadBack().at(x, y); }

int32_t LiveSurfaces() {
  long double fps;
  int32_t sprites = 0, surfaces = 0;
  uint32_t total, free;
  int64_t all, user;
  GetSystemData(&fps, &sprites, &surfaces, &total, &free, &all, &user);
  return surfaces;
}

class Bitmaps : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(TavrikEngineInit(&window, 800, 600, 16, 0, 1, 0, 0, 0), 1);
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    folder = std::string(dir) + "triwell-bitmaps-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    sprite = CreateSprite(nullptr, 0);
    ClearScreen(0x1234, nullptr);
  }
  void TearDown() override {
    DelSprite(&sprite);
    for (SurfaceRecord*& s : surfaces) FreeSurface(&s);
    for (const std::string& p : paths) DeleteFileA(p.c_str());
    RemoveDirectoryA(folder.c_str());
    TavrikEngineDeInit();
  }
  // Writes a file and answers its name, which lives as long as the test (the engine
  // keeps the pointer).
  const char* Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    paths.push_back(folder + name);
    FILE* f = std::fopen(paths.back().c_str(), "wb");
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return paths.back().c_str();
  }
  SurfaceRecord* Load(const char* path, int32_t useKey = 0, uint32_t key = 0) {
    surfaces.push_back(CreateSurfaceFromBMPFile(0, useKey, key, path));
    return surfaces.back();
  }
  void Draw(SurfaceRecord* s, int x = 0, int y = 0) {
    sprite->Surface = s;
    sprite->X = x;
    sprite->Y = y;
    sprite->Width = 3;
    sprite->Height = 2;
    sprite->SrcRect = RECT{0, 0, 3, 2};
    ShowSpriteFast(&sprite, nullptr);
  }
  HWND window = nullptr;
  std::string folder;
  std::vector<std::string> paths;
  std::vector<SurfaceRecord*> surfaces;
  Sprite* sprite = nullptr;
};

TEST_F(Bitmaps, LoadAtFirstDrawUprightWithExactColours) {
  struct {
    const char* name;
    BmpSpec layout;
  } const cases[] = {
      {"24-bit, width not a multiple of 4", {3, 2, 24, Colours, Picture}},
      {"8-bit palette", {3, 2, 8, Colours, Picture}},
      {"24-bit stored top-down", {3, -2, 24, Colours, Picture}},
      {"32-bit", {3, 2, 32, Colours, Picture}},
  };
  int n = 0;
  for (const auto& c : cases) {
    SurfaceRecord* s = Load(Write("layout" + std::to_string(n++) + ".bmp", BuildBmp(c.layout)));
    ASSERT_NE(s, nullptr) << c.name;
    EXPECT_EQ(s->Width, 0) << c.name << ": not read before the first draw";
    DDSURFACEDESC2 desc;
    EXPECT_EQ(SurfaceLock(s, nullptr, &desc), -1) << c.name << ": never drawn";
    Draw(s, 10, 20);
    EXPECT_EQ(s->Width, 3) << c.name;
    EXPECT_EQ(s->Height, 2) << c.name;
    EXPECT_EQ(SurfacePixels(s), Expected) << c.name;
    EXPECT_EQ(BackBufferPixel(10, 20), 0xF800) << c.name;
    EXPECT_EQ(BackBufferPixel(12, 21), 0x001F) << c.name;
  }
}

TEST_F(Bitmaps, ColourKeyedDrawsLeaveKeyedPixelsOfTheTargetAlone) {
  const char* path = Write("keyed.bmp", BuildBmp({3, 2, 24, Colours, Picture}));
  SurfaceRecord* keyed = Load(path, 1, 0x0000);
  SurfaceRecord* plain = Load(path, 0, 0x0000);
  Draw(keyed, 100, 100);
  EXPECT_EQ(BackBufferPixel(100, 101), 0x1234) << "(7,3,7) cuts to the key 0";
  EXPECT_EQ(BackBufferPixel(101, 100), 0xFFFF);
  Draw(plain, 200, 100);
  EXPECT_EQ(BackBufferPixel(200, 101), 0x0000);
}

TEST_F(Bitmaps, SetColorKeyXYLoadsFirstAndIgnoresPointsOutside) {
  const char* path = Write("pick.bmp", BuildBmp({3, 2, 24, Colours, Picture}));
  SurfaceRecord* s = Load(path);
  SetColorKeyXY(&s, 0, 0); // not drawn yet: loads the bitmap first
  ASSERT_NE(s->DDSurface, nullptr);
  EXPECT_EQ(s->Width, 3);
  EXPECT_EQ(s->ColorKey, 0xF800u);
  EXPECT_EQ(s->BltFastFlags & DDBLTFAST_SRCCOLORKEY, static_cast<DWORD>(DDBLTFAST_SRCCOLORKEY));
  Draw(s, 50, 50);
  EXPECT_EQ(BackBufferPixel(50, 50), 0x1234) << "red is now transparent";
  EXPECT_EQ(BackBufferPixel(51, 50), 0xFFFF);

  SurfaceRecord* t = Load(path);
  Draw(t);
  const SurfaceRecord before = *t;
  for (const POINT p : {POINT{3, 0}, POINT{0, 2}, POINT{-1, 0}, POINT{0, -1}}) {
    SetColorKeyXY(&t, p.x, p.y);
    EXPECT_EQ(t->BltFastFlags, before.BltFastFlags) << p.x << "," << p.y;
    EXPECT_EQ(t->BltFlags, before.BltFlags) << p.x << "," << p.y;
    EXPECT_EQ(t->ColorKey, before.ColorKey) << p.x << "," << p.y;
  }
  SurfaceRecord* none = nullptr;
  SetColorKeyXY(&none, 0, 0);
  SetColorKeyXY(nullptr, 0, 0);
}

TEST_F(Bitmaps, BrokenFilesLeaveTheRecordWithoutSurfaceAndDrawNothing) {
  const std::vector<uint8_t> good = BuildBmp({3, 2, 24, Colours, Picture});
  auto with = [&](size_t at, uint32_t value, size_t bytes) {
    std::vector<uint8_t> f = good;
    for (size_t i = 0; i < bytes; ++i) f[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return f;
  };
  struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } const cases[] = {
      {"empty", {}},
      {"cut inside the headers", std::vector<uint8_t>(good.begin(), good.begin() + 30)},
      {"cut inside the pixels", std::vector<uint8_t>(good.begin(), good.end() - 5)},
      {"not BM", with(0, 'X', 1)},
      {"compressed", with(30, 1, 4)},
      {"width 0", with(18, 0, 4)},
      {"absurd height", with(22, 0x7FFFFFFF, 4)},
      {"16 bits per pixel", with(28, 16, 2)},
      {"pixels past the end", with(10, 0x10000, 4)},
  };
  int n = 0;
  for (const auto& c : cases) {
    SurfaceRecord* s = Load(Write("broken" + std::to_string(n++) + ".bmp", c.bytes));
    ASSERT_NE(s, nullptr) << c.name << ": the file exists";
    Draw(s, 300, 300);
    Draw(s, 300, 300); // every draw tries again
    EXPECT_EQ(s->DDSurface, nullptr) << c.name;
    EXPECT_EQ(BackBufferPixel(300, 300), 0x1234) << c.name;
    DDSURFACEDESC2 desc;
    EXPECT_EQ(SurfaceLock(s, nullptr, &desc), -1) << c.name;
  }
  const int32_t before = LiveSurfaces();
  EXPECT_EQ(CreateSurfaceFromBMPFile(0, 0, 0, (folder + "missing.bmp").c_str()), nullptr);
  EXPECT_EQ(CreateSurfaceFromBMPFile(0, 0, 0, folder.c_str()), nullptr) << "a folder is not a bitmap";
  EXPECT_EQ(CreateSurfaceFromBMPFile(0, 0, 0, nullptr), nullptr);
  EXPECT_EQ(LiveSurfaces(), before) << "counted only for files that exist";
  Load(paths.front().c_str());
  EXPECT_EQ(LiveSurfaces(), before + 1);
}

// Notes the largest block the engine library asks of the C runtime: its import of
// malloc (which its operator new also calls) is pointed at a wrapper for a while.
class EngineAllocations {
public:
  EngineAllocations() : slot(ImportSlot(GetModuleHandleA("TavrikEngine2D.dll"), "msvcrt.dll", "malloc")) {
    if (!slot) return;
    Real = reinterpret_cast<void* (*)(size_t)>(*slot);
    Set(reinterpret_cast<void*>(NotingMalloc));
  }
  ~EngineAllocations() {
    if (slot) Set(reinterpret_cast<void*>(Real));
  }
  bool Hooked() const { return slot != nullptr; }
  static size_t Largest;

private:
  static void* (*Real)(size_t);
  static void* NotingMalloc(size_t size) {
    if (size > Largest) Largest = size;
    return Real(size);
  }
  // The import address table entry of Function from Library in Module.
  static void** ImportSlot(HMODULE module, const char* library, const char* function) {
    if (!module) return nullptr;
    auto base = reinterpret_cast<uint8_t*>(module);
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
      if (lstrcmpiA(reinterpret_cast<char*>(base + imp->Name), library) != 0) continue;
      auto names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
      auto slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
      for (; names->u1.AddressOfData; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        auto name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (lstrcmpA(reinterpret_cast<char*>(name->Name), function) == 0)
          return reinterpret_cast<void**>(&slots->u1.Function);
      }
    }
    return nullptr;
  }
  void Set(void* function) {
    DWORD protection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = function;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
  }
  void** slot;
};
size_t EngineAllocations::Largest;
void* (*EngineAllocations::Real)(size_t);

// A file of 1 KB claiming a 16384 x 16384 picture at 32 bits is refused by its size,
// before the 1.5 GiB its headers ask for is allocated, however often it is drawn.
TEST_F(Bitmaps, SmallFileClaimingAHugePictureIsRefusedQuicklyWithoutMemory) {
  std::vector<uint8_t> bytes = BuildBmp({3, 2, 32, Colours, Picture});
  PutU32(bytes, 18, 16384);
  PutU32(bytes, 22, 16384);
  bytes.resize(1024);
  SurfaceRecord* s = Load(Write("huge.bmp", bytes));
  ASSERT_NE(s, nullptr);
  EngineAllocations allocations;
  ASSERT_TRUE(allocations.Hooked()) << "the engine's allocations cannot be watched";
  EngineAllocations::Largest = 0;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  constexpr int Draws = 20;
  for (int i = 0; i < Draws; ++i) Draw(s, 300, 300);
  QueryPerformanceCounter(&end);
  std::printf("refused draw: %.3f ms each; largest allocation %zu bytes\n",
              1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart / Draws, EngineAllocations::Largest);
  EXPECT_EQ(s->DDSurface, nullptr);
  EXPECT_EQ(BackBufferPixel(300, 300), 0x1234);
  EXPECT_LT(EngineAllocations::Largest, 4096u) << "nothing sized by the headers' claim";
}

TEST_F(Bitmaps, ReleasedBitmapIsReadAgainAtTheNextDraw) {
  const char* path = Write("again.bmp", BuildBmp({3, 2, 8, Colours, Picture}));
  SurfaceRecord* s = Load(path, 1, 0x0000);
  Draw(s);
  ReleaseSurface(&s);
  EXPECT_EQ(s->DDSurface, nullptr);
  ClearScreen(0x1234, nullptr);
  Draw(s, 5, 5);
  ASSERT_NE(s->DDSurface, nullptr);
  EXPECT_EQ(SurfacePixels(s), Expected);
  EXPECT_EQ(BackBufferPixel(5, 6), 0x1234) << "still keyed after the rebuild";
  EXPECT_EQ(BackBufferPixel(6, 5), 0xFFFF);
}

} // namespace
