// Text surfaces (one text rendered once) and font surfaces (a glyph atlas of the
// character codes 1..255) drawn glyph by glyph with ShowText.
#include "engine_internal.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int GlyphCount = 255;
constexpr int32_t GlyphTableBytes = GlyphCount * static_cast<int32_t>(sizeof(GlyphEntry));
constexpr unsigned char LineFeed = 10;
constexpr unsigned char RowHeightCode = 33; // '!': its entry gives the common row height

constexpr uint32_t StyleBold = 1, StyleUnderline = 2, StyleItalic = 4;

uint32_t StyleBits(int32_t Bold, int32_t Underline, int32_t Italic) {
  return (Bold ? StyleBold : 0) | (Underline ? StyleUnderline : 0) | (Italic ? StyleItalic : 0);
}

GlyphEntry* Glyphs(const SurfaceRecord* S) {
  if (!S || !S->GlyphTable || S->GlyphTableSize < GlyphTableBytes) return nullptr;
  return static_cast<GlyphEntry*>(S->GlyphTable);
}

// The common part of both create calls: a new record in the variable, rendered at
// once; one that could not be made is freed again, leaving the variable nil.
SurfaceRecord* NewTextRecord(SurfaceRecord** Surface, int32_t Kind, int32_t VideoMemory, int32_t UseColorKey,
                             int32_t FontHeight, uint32_t TextColor, uint32_t ColorKey, const char* FaceName,
                             int32_t Bold, int32_t Underline, int32_t Italic) {
  FreeSurface(Surface);
  SurfaceRecord* s = AllocateSurfaceRecord(Kind, VideoMemory, UseColorKey, ColorKey, FaceName);
  if (!s) return nullptr;
  s->FontHeight = FontHeight;
  s->TextColor = TextColor;
  s->FontStyle = StyleBits(Bold, Underline, Italic);
  return s;
}

void BuildOrDrop(SurfaceRecord** Surface) {
  RebuildSurface(Surface);
  SurfaceCount += 1;
  if (!(*Surface)->DDSurface) FreeSurface(Surface);
}

// The font selected into a device context for as long as this lives.
class SelectedFont {
public:
  SelectedFont(HDC Dc, HFONT Font) : dc(Dc), previous(Font ? SelectObject(Dc, Font) : nullptr) {}
  ~SelectedFont() {
    if (previous) SelectObject(dc, previous);
  }
  SelectedFont(const SelectedFont&) = delete;
  SelectedFont& operator=(const SelectedFont&) = delete;

private:
  HDC dc;
  HGDIOBJ previous;
};

// Paints into a just-made surface: the key colour everywhere, then the text drawn
// by Paint over it with a transparent background. Without a device context only the
// fill is there.
template <typename PaintFn>
void PaintTextSurface(IDirectDrawSurface7* Surface, const SurfaceRecord* S, HFONT Font, PaintFn Paint) {
  FillSurface(S->ColorKey, Surface);
  HDC dc = nullptr;
  if (Surface->GetDC(&dc) != DD_OK) return;
  {
    SelectedFont selected(dc, Font);
    SetTextColor(dc, S->TextColor);
    SetBkMode(dc, TRANSPARENT);
    Paint(dc);
  }
  Surface->ReleaseDC(dc);
}

// Measures with the scratch surface's device context; without one nothing is measured.
template <typename MeasureFn>
void Measure(HFONT Font, MeasureFn Measurer) {
  if (!ScratchSurface) return;
  HDC dc = nullptr;
  if (ScratchSurface->GetDC(&dc) != DD_OK) return;
  {
    SelectedFont selected(dc, Font);
    Measurer(dc);
  }
  ScratchSurface->ReleaseDC(dc);
}

} // namespace

LOGFONTA MakeFontDescription(const SurfaceRecord* S, BYTE CharSet) {
  LOGFONTA font;
  ZeroMemory(&font, sizeof font);
  font.lfHeight = S->FontHeight;
  font.lfWeight = (S->FontStyle & StyleBold) ? FW_BOLD : FW_NORMAL;
  font.lfUnderline = (S->FontStyle & StyleUnderline) ? 1 : 0;
  font.lfItalic = (S->FontStyle & StyleItalic) ? 1 : 0;
  font.lfCharSet = CharSet;
  // A longer name is cut, so that the field always ends with its NUL.
  if (S->Source) {
    const size_t length = strnlen(S->Source, LF_FACESIZE - 1);
    std::memcpy(font.lfFaceName, S->Source, length);
  }
  return font;
}

void LayoutGlyphAtlas(const int32_t (&Widths)[255], int32_t RowHeight, int32_t RowLimit, GlyphEntry* Table,
                      int32_t& Width, int32_t& Height) {
  int32_t x = 0, y = 0, right = 0, bottom = 0;
  for (int k = 0; k < GlyphCount; ++k) {
    const int32_t w = Widths[k];
    // A glyph wider than a whole row stays in the row it starts: moving it down
    // would only leave that row empty.
    if (x > 0 && x + w > RowLimit) {
      x = 0;
      y += RowHeight;
    }
    Table[k] = GlyphEntry{x, y, w, RowHeight};
    if (x + w > right) right = x + w;
    if (y + RowHeight > bottom) bottom = y + RowHeight;
    x += w;
  }
  Width = right;
  Height = bottom;
}

IDirectDrawSurface7* RenderTextSurface(SurfaceRecord* S) {
  const LOGFONTA description = MakeFontDescription(S, RUSSIAN_CHARSET);
  HFONT font = CreateFontIndirectA(&description);
  const char* text = S->Text ? S->Text : "";
  const int length = static_cast<int>(strnlen(text, INT32_MAX));
  SIZE size{0, 0};
  if (length > 0) Measure(font, [&](HDC dc) { GetTextExtentPoint32A(dc, text, length, &size); });
  S->Width = size.cx;
  S->Height = size.cy;
  IDirectDrawSurface7* surface = nullptr;
  // Nothing to show: no surface, as a surface of no pixels cannot be made.
  if (S->Width > 0 && S->Height > 0) surface = CreatePlainSurface(S->Width, S->Height, (S->VideoMemory & 0xFF) != 0);
  if (surface) PaintTextSurface(surface, S, font, [&](HDC dc) { TextOutA(dc, 0, 0, text, length); });
  if (font) DeleteObject(font);
  return surface;
}

IDirectDrawSurface7* RenderFontSurface(SurfaceRecord* S) {
  GlyphEntry* table = Glyphs(S);
  if (!table) return nullptr;
  const LOGFONTA description = MakeFontDescription(S, DEFAULT_CHARSET);
  HFONT font = CreateFontIndirectA(&description);
  char codes[GlyphCount];
  for (int k = 0; k < GlyphCount; ++k) codes[k] = static_cast<char>(k + 1);
  int32_t width = 0, height = 0;
  Measure(font, [&](HDC dc) {
    SIZE all{0, 0};
    GetTextExtentPoint32A(dc, codes, GlyphCount, &all);
    int32_t widths[GlyphCount];
    for (int k = 0; k < GlyphCount; ++k) {
      SIZE one{0, 0};
      GetTextExtentPoint32A(dc, &codes[k], 1, &one);
      widths[k] = one.cx;
    }
    LayoutGlyphAtlas(widths, all.cy + 1, ScreenWidth, table, width, height);
  });
  S->Width = width;
  S->Height = height;
  IDirectDrawSurface7* surface = nullptr;
  if (width > 0 && height > 0) surface = CreatePlainSurface(width, height, (S->VideoMemory & 0xFF) != 0);
  if (surface)
    PaintTextSurface(surface, S, font, [&](HDC dc) {
      for (int k = 0; k < GlyphCount; ++k) TextOutA(dc, table[k].X, table[k].Y, &codes[k], 1);
    });
  if (font) DeleteObject(font);
  return surface;
}

extern "C" {

void WINAPI CreateSurfaceText(SurfaceRecord** Surface, int32_t VideoMemory, int32_t UseColorKey, int32_t FontHeight,
                              uint32_t TextColor, uint32_t ColorKey, const char* FaceName, const char* Text,
                              int32_t Bold, int32_t Underline, int32_t Italic) {
  if (!Surface) return;
  SurfaceRecord* s =
      NewTextRecord(Surface, SurfaceKindText, VideoMemory, UseColorKey, FontHeight, TextColor, ColorKey, FaceName,
                    Bold, Underline, Italic);
  if (!s) return;
  s->Text = Text;
  *Surface = s;
  BuildOrDrop(Surface);
}

void WINAPI CreateSurfaceFont(SurfaceRecord** Surface, int32_t VideoMemory, int32_t UseColorKey, int32_t FontHeight,
                              uint32_t TextColor, uint32_t ColorKey, const char* FaceName, int32_t Bold,
                              int32_t Underline, int32_t Italic) {
  if (!Surface) return;
  SurfaceRecord* s =
      NewTextRecord(Surface, SurfaceKindFont, VideoMemory, UseColorKey, FontHeight, TextColor, ColorKey, FaceName,
                    Bold, Underline, Italic);
  if (!s) return;
  s->GlyphTable = std::calloc(1, GlyphTableBytes);
  if (!s->GlyphTable) {
    std::free(s);
    return;
  }
  s->GlyphTableSize = GlyphTableBytes;
  *Surface = s;
  BuildOrDrop(Surface);
}

void WINAPI ShowText(Sprite** S, SurfaceRecord* Target, int32_t X, int32_t Y, const char* Text, int32_t FollowOffset) {
  Sprite* sprite = S ? *S : nullptr;
  if (!sprite || !Glyphs(sprite->Surface)) return;
  sprite->X = X;
  sprite->Y = Y;
  sprite->FollowOffset = FollowOffset;
  if (!Text) return;
  // Codes 128..255 are characters of their own, never negative chars.
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(Text); *p; ++p) {
    // Looked up each time: a draw that rebuilds a lost atlas may measure it anew.
    const GlyphEntry* glyphs = Glyphs(sprite->Surface);
    if (!glyphs) return;
    if (*p == LineFeed) {
      sprite->Y += glyphs[RowHeightCode - 1].Height;
      sprite->X = X;
      continue;
    }
    const GlyphEntry& g = glyphs[*p - 1];
    sprite->Width = g.Width;
    sprite->Height = g.Height;
    sprite->SrcRect = RECT{g.X, g.Y, g.X + g.Width, g.Y + g.Height};
    ShowSpriteFast(S, Target);
    sprite->X += g.Width;
  }
}

} // extern "C"
