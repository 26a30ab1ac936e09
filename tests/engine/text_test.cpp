// Text and font surfaces under Wine: the font description, the atlas layout, and
// text surfaces, atlases and ShowText on a real DirectDraw display, measured against
// GDI here with the same font.
#include "engine_internal.h"
#include "engine_library_env.h"

#include "surface_readback.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// ---- Font description -----------------------------------------------------------

TEST(FontDescription, FollowsTheStyleBitsAndCutsLongFaceNames) {
  const std::string name31(31, 'x');
  const std::string name32 = name31 + "y";
  const std::string name40 = name32 + "zzzzzzzz";
  struct {
    const char* face;
    uint32_t style;
    LONG weight;
    BYTE underline, italic;
    std::string faceField;
  } const cases[] = {
      {"Arial", 0, FW_NORMAL, 0, 0, "Arial"},
      {"Arial", 1, FW_BOLD, 0, 0, "Arial"},
      {"Arial", 2, FW_NORMAL, 1, 0, "Arial"},
      {"Arial", 4, FW_NORMAL, 0, 1, "Arial"},
      {"Arial", 7, FW_BOLD, 1, 1, "Arial"},
      {name31.c_str(), 0, FW_NORMAL, 0, 0, name31},
      {name32.c_str(), 0, FW_NORMAL, 0, 0, name31},
      {name40.c_str(), 0, FW_NORMAL, 0, 0, name31},
      {nullptr, 0, FW_NORMAL, 0, 0, ""},
  };
  for (const auto& c : cases) {
    SurfaceRecord s{};
    s.FontHeight = 14;
    s.FontStyle = c.style;
    s.Source = c.face;
    for (BYTE charSet : {BYTE(RUSSIAN_CHARSET), BYTE(DEFAULT_CHARSET)}) {
      LOGFONTA f;
      std::memset(&f, 0x5A, sizeof f); // the answer must not depend on what was there
      f = MakeFontDescription(&s, charSet);
      EXPECT_EQ(f.lfHeight, 14);
      EXPECT_EQ(f.lfWidth | f.lfEscapement | f.lfOrientation, 0);
      EXPECT_EQ(f.lfWeight, c.weight) << c.style;
      EXPECT_EQ(f.lfUnderline, c.underline) << c.style;
      EXPECT_EQ(f.lfItalic, c.italic) << c.style;
      EXPECT_EQ(f.lfStrikeOut, 0);
      EXPECT_EQ(f.lfCharSet, charSet);
      ASSERT_EQ(f.lfFaceName[LF_FACESIZE - 1], '\0') << c.faceField << ": the field ends with its NUL";
      EXPECT_EQ(std::string(f.lfFaceName), c.faceField);
    }
  }
}

// ---- Atlas layout ---------------------------------------------------------------

TEST(GlyphAtlas, RowsWrapWhereTheNextGlyphWouldPassTheLimit) {
  struct {
    const char* name;
    int32_t width;     // every glyph's width, except the first
    int32_t first;     // the first glyph's width
    int32_t limit;
    int32_t perRow;    // glyphs in each full row after the first
    int32_t firstRow;  // glyphs in the first row
    int32_t atlasWidth;
  } const cases[] = {
      {"ten wide, exact fit of 80 per row", 10, 10, 800, 80, 80, 800},
      {"everything in one row", 3, 3, 800, 255, 255, 765},
      {"a first glyph wider than a row stays in the first row", 10, 900, 800, 80, 1, 900},
  };
  for (const auto& c : cases) {
    int32_t widths[255];
    for (int32_t& w : widths) w = c.width;
    widths[0] = c.first;
    std::vector<GlyphEntry> table(255, GlyphEntry{-1, -1, -1, -1});
    int32_t width = 0, height = 0;
    LayoutGlyphAtlas(widths, 17, c.limit, table.data(), width, height);
    for (int k = 0; k < 255; ++k) {
      const int row = k < c.firstRow ? 0 : 1 + (k - c.firstRow) / c.perRow;
      const int column = k < c.firstRow ? k : (k - c.firstRow) % c.perRow;
      const int32_t x = row == 0 && column > 0 ? c.first + (column - 1) * c.width : column * c.width;
      EXPECT_EQ(table[k].X, x) << c.name << ", code " << k + 1;
      EXPECT_EQ(table[k].Y, row * 17) << c.name << ", code " << k + 1;
      EXPECT_EQ(table[k].Width, widths[k]) << c.name;
      EXPECT_EQ(table[k].Height, 17) << c.name;
    }
    EXPECT_EQ(width, c.atlasWidth) << c.name;
    EXPECT_EQ(height, table[254].Y + 17) << c.name;
  }
}

// ---- On the display -------------------------------------------------------------

int32_t LiveSurfaces() {
  int32_t surfaces = -1;
  GetSystemData(nullptr, nullptr, &surfaces, nullptr, nullptr, nullptr, nullptr);
  return surfaces;
}

// Widths as GDI gives them here for a font made from the same description.
struct Measurer {
  HDC dc;
  HFONT font, previous;
  Measurer(int32_t height, LONG weight, BYTE charSet) {
    LOGFONTA f{};
    f.lfHeight = height;
    f.lfWeight = weight;
    f.lfCharSet = charSet;
    std::strcpy(f.lfFaceName, "Arial");
    dc = CreateCompatibleDC(nullptr);
    font = CreateFontIndirectA(&f);
    previous = static_cast<HFONT>(SelectObject(dc, font));
  }
  ~Measurer() {
    SelectObject(dc, previous);
    DeleteObject(font);
    DeleteDC(dc);
  }
  SIZE Of(const char* text) const {
    SIZE s{0, 0};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &s);
    return s;
  }
};

const GlyphEntry& Entry(const SurfaceRecord* font, unsigned char code) {
  return static_cast<const GlyphEntry*>(font->GlyphTable)[code - 1];
}

class Text : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(TavrikEngineInit(&window, 800, 600, 16, 0, 1, 0, 0, 0), 1);
    surfacesBefore = LiveSurfaces();
    CreateSurfaceFont(&font, 0, 1, 14, 0xFFFFFF, 0, "Arial", 0, 0, 0);
    ASSERT_NE(font, nullptr);
    sprite = CreateSprite(nullptr, 0);
    sprite->Surface = font;
    ClearScreen(0, nullptr);
  }
  void TearDown() override {
    DelSprite(&sprite);
    FreeSurface(&font);
    EXPECT_EQ(LiveSurfaces(), surfacesBefore) << "every surface of the test freed";
    TavrikEngineDeInit();
  }
  HWND window = nullptr;
  int32_t surfacesBefore = 0;
  SurfaceRecord* font = nullptr;
  Sprite* sprite = nullptr;
};

TEST_F(Text, FontAtlasHoldsEveryCodeMeasuredWithTheFont) {
  EXPECT_EQ(LiveSurfaces(), surfacesBefore + 1);
  EXPECT_EQ(font->Kind, SurfaceKindFont);
  EXPECT_EQ(font->GlyphTableSize, 4080);
  EXPECT_EQ(font->BltFastFlags, static_cast<uint32_t>(DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY));
  const Measurer gdi(14, FW_NORMAL, DEFAULT_CHARSET);
  const int32_t rowHeight = gdi.Of("Ag").cy + 1;
  for (const char* c : {"A", "B", "W", "i", " ", "\xC0", "\xFF"}) {
    const GlyphEntry& g = Entry(font, static_cast<unsigned char>(c[0]));
    EXPECT_EQ(g.Width, gdi.Of(c).cx) << int(static_cast<unsigned char>(c[0]));
    EXPECT_EQ(g.Height, rowHeight);
  }
  EXPECT_LE(font->Width, 800);
  EXPECT_EQ(font->Height, Entry(font, 255).Y + rowHeight);
  // The glyph of "A" is in the atlas where its entry says: white on the key colour.
  const Pixels atlas = ReadBack(font);
  ASSERT_EQ(atlas.width, font->Width);
  const GlyphEntry& a = Entry(font, 'A');
  int ink = 0;
  for (int y = a.Y; y < a.Y + a.Height; ++y)
    for (int x = a.X; x < a.X + a.Width; ++x) ink += atlas.at(x, y) == 0xFFFF;
  EXPECT_GT(ink, 4);
}

TEST_F(Text, LargeFontAtlasWrapsAtScreenWidthWithNoGlyphSplit) {
  SurfaceRecord* large = nullptr;
  CreateSurfaceFont(&large, 0, 1, 60, 0xFFFFFF, 0, "Arial", 0, 0, 0);
  ASSERT_NE(large, nullptr);
  const GlyphEntry* g = static_cast<const GlyphEntry*>(large->GlyphTable);
  int rows = 1;
  for (int k = 0; k < 255; ++k) {
    EXPECT_LE(g[k].X + g[k].Width, 800) << "code " << k + 1 << " ends past the screen";
    if (k == 0) continue;
    if (g[k].Y == g[k - 1].Y) {
      EXPECT_EQ(g[k].X, g[k - 1].X + g[k - 1].Width) << "code " << k + 1;
    } else {
      ++rows;
      EXPECT_EQ(g[k].Y, g[k - 1].Y + g[k].Height) << "code " << k + 1;
      EXPECT_EQ(g[k].X, 0) << "code " << k + 1;
      EXPECT_GT(g[k - 1].X + g[k - 1].Width + g[k].Width, 800) << "code " << k + 1 << " would have fit";
    }
  }
  EXPECT_GT(rows, 2);
  EXPECT_LE(large->Width, 800);
  EXPECT_EQ(large->Height, rows * g[0].Height);
  FreeSurface(&large);
}

// The glyph of code at (x, y) on the back buffer is the atlas's, pixel for pixel.
void ExpectGlyphAt(const Pixels& screen, const Pixels& atlas, const GlyphEntry& g, int x, int y, const char* name) {
  int mismatches = 0;
  for (int dy = 0; dy < g.Height; ++dy)
    for (int dx = 0; dx < g.Width; ++dx) mismatches += screen.at(x + dx, y + dy) != atlas.at(g.X + dx, g.Y + dy);
  EXPECT_EQ(mismatches, 0) << name << ": glyph at " << x << "," << y;
}

TEST_F(Text, ShowTextDrawsGlyphAfterGlyphAndLineFeedsReturnToTheStart) {
  const Pixels atlas = ReadBack(font);
  const int32_t row = Entry(font, '!').Height;
  const auto w = [&](unsigned char c) { return Entry(font, c).Width; };
  struct Placed {
    unsigned char code;
    int x, y; // where its glyph lands
  };
  struct {
    const char* name;
    const char* text;
    std::vector<Placed> glyphs;
    int endX, endY;
  } const cases[] = {
      {"two letters", "AB", {{'A', 100, 50}, {'B', 100 + w('A'), 50}}, 100 + w('A') + w('B'), 50},
      {"line feed", "A\nB", {{'A', 100, 50}, {'B', 100, 50 + row}}, 100 + w('B'), 50 + row},
      {"two line feeds skip a line", "AB\n\nW", {{'A', 100, 50}, {'B', 100 + w('A'), 50}, {'W', 100, 50 + 2 * row}},
       100 + w('W'), 50 + 2 * row},
      {"codes above 127", "\xC0\xE9\xFF", {{0xC0, 100, 50}, {0xE9, 100 + w(0xC0), 50}, {0xFF, 100 + w(0xC0) + w(0xE9), 50}},
       100 + w(0xC0) + w(0xE9) + w(0xFF), 50},
      {"empty", "", {}, 100, 50},
      {"none", nullptr, {}, 100, 50},
  };
  for (const auto& c : cases) {
    ClearScreen(0, nullptr);
    sprite->X = sprite->Y = -77;
    sprite->FollowOffset = 0;
    ShowText(&sprite, nullptr, 100, 50, c.text, 1);
    EXPECT_EQ(sprite->X, c.endX) << c.name;
    EXPECT_EQ(sprite->Y, c.endY) << c.name;
    EXPECT_EQ(sprite->FollowOffset, 1) << c.name;
    if (!c.glyphs.empty()) {
      const GlyphEntry& last = Entry(font, c.glyphs.back().code);
      EXPECT_EQ(sprite->SrcRect.left, last.X) << c.name;
      EXPECT_EQ(sprite->SrcRect.top, last.Y) << c.name;
      EXPECT_EQ(sprite->SrcRect.right, last.X + last.Width) << c.name;
    }
    const Pixels screen = ReadBack(nullptr);
    int inkExpected = 0, inkDrawn = 0;
    for (const Placed& p : c.glyphs) {
      const GlyphEntry& g = Entry(font, p.code);
      ExpectGlyphAt(screen, atlas, g, p.x, p.y, c.name);
      for (int dy = 0; dy < g.Height; ++dy)
        for (int dx = 0; dx < g.Width; ++dx) inkExpected += atlas.at(g.X + dx, g.Y + dy) != 0;
    }
    for (uint16_t px : screen.data) inkDrawn += px != 0;
    EXPECT_EQ(inkDrawn, inkExpected) << c.name << ": nothing else drawn";
  }
}

TEST_F(Text, ShowTextNeedsAFontSurface) {
  SurfaceRecord* user = nullptr;
  CreateSurfaceUser(&user, 8, 8, 0, 0, 0, nullptr);
  for (SurfaceRecord* surface : {user, static_cast<SurfaceRecord*>(nullptr)}) {
    sprite->Surface = surface;
    sprite->X = -77;
    ShowText(&sprite, nullptr, 100, 50, "AB", 0);
    EXPECT_EQ(sprite->X, -77) << "nothing happens";
  }
  Sprite* none = nullptr;
  ShowText(&none, nullptr, 100, 50, "AB", 0);
  ShowText(nullptr, nullptr, 100, 50, "AB", 0);
  FreeSurface(&user);
}

TEST_F(Text, TextSurfaceHasTheSizeOfItsTextOrIsNotMade) {
  const Measurer gdi(20, FW_NORMAL, RUSSIAN_CHARSET);
  SurfaceRecord* text = nullptr;
  CreateSurfaceText(&text, 0, 1, 20, 0x0000FF, 0x001F, "Arial", "Triwell 42", 0, 0, 0);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Kind, SurfaceKindText);
  EXPECT_EQ(text->Width, gdi.Of("Triwell 42").cx);
  EXPECT_EQ(text->Height, gdi.Of("Triwell 42").cy);
  EXPECT_EQ(LiveSurfaces(), surfacesBefore + 2);
  const Pixels p = ReadBack(text);
  int key = 0, red = 0;
  for (uint16_t px : p.data) {
    key += px == 0x001F;
    red += px == 0xF800;
  }
  EXPECT_GT(key, 0) << "background filled with the key colour";
  EXPECT_GT(red, 0) << "text in its GDI colour";

  // An empty or missing text makes nothing; what the variable held is freed.
  for (const char* empty : {"", static_cast<const char*>(nullptr)}) {
    CreateSurfaceText(&text, 0, 1, 20, 0x0000FF, 0x001F, "Arial", empty, 0, 0, 0);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(LiveSurfaces(), surfacesBefore + 1) << "nothing counted";
  }
}

TEST_F(Text, CreatingAgainReplacesTheOldSurface) {
  IDirectDrawSurface7* old = font->DDSurface;
  old->AddRef();
  CreateSurfaceFont(&font, 0, 1, 14, 0xFFFFFF, 0, "Arial", 0, 0, 0);
  ASSERT_NE(font, nullptr);
  sprite->Surface = font;
  EXPECT_EQ(LiveSurfaces(), surfacesBefore + 1) << "the old record freed";
  EXPECT_EQ(old->Release(), 0u) << "the old atlas released";
  EXPECT_NE(font->DDSurface, old);
}

TEST_F(Text, StyleArgumentsOtherThanOneCountAsTrue) {
  struct {
    int32_t bold, underline, italic;
    uint32_t style;
  } const cases[] = {{5, 0, 0, 1}, {0, 5, 0, 2}, {0, 0, 5, 4}, {5, 5, 5, 7}, {-1, 0, 256, 5}, {0, 0, 0, 0}};
  for (const auto& c : cases) {
    SurfaceRecord* styled = nullptr;
    CreateSurfaceFont(&styled, 0, 0, 14, 0xFFFFFF, 0, "Arial", c.bold, c.underline, c.italic);
    ASSERT_NE(styled, nullptr);
    EXPECT_EQ(styled->FontStyle, c.style) << c.bold << "," << c.underline << "," << c.italic;
    FreeSurface(&styled);
    CreateSurfaceText(&styled, 0, 0, 14, 0xFFFFFF, 0, "Arial", "x", c.bold, c.underline, c.italic);
    ASSERT_NE(styled, nullptr);
    EXPECT_EQ(styled->FontStyle, c.style) << c.bold << "," << c.underline << "," << c.italic;
    FreeSurface(&styled);
  }
}

TEST_F(Text, LostAtlasIsRenderedAgainByTheNextDraw) {
  ShowText(&sprite, nullptr, 100, 50, "AB", 0);
  const Pixels before = ReadBack(nullptr);
  const std::vector<GlyphEntry> table(static_cast<GlyphEntry*>(font->GlyphTable),
                                      static_cast<GlyphEntry*>(font->GlyphTable) + 255);
  ReleaseSurface(&font);
  ASSERT_EQ(font->DDSurface, nullptr);
  ClearScreen(0, nullptr);
  ShowText(&sprite, nullptr, 100, 50, "AB", 0);
  ASSERT_NE(font->DDSurface, nullptr);
  EXPECT_EQ(std::memcmp(table.data(), font->GlyphTable, 4080), 0);
  EXPECT_EQ(ReadBack(nullptr).data, before.data);
}

} // namespace
