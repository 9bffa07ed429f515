#include "ui_draw/text.h"

#include <cstring>
#include <vector>

#include "platform/scoped_handles.h"
#include "resources/resource.h"
#include "shell/strings.h"
#include "ui_draw/text_fit.h"

namespace {

constexpr int kFaceBytes = 35;

#pragma pack(push, 1)
struct FontEntry {
  char face[kFaceBytes];
  uint8_t pitchAndFamily;
  uint8_t charSet;
};
#pragma pack(pop)
static_assert(sizeof(FontEntry) == 37, "37-byte entries");

HGLOBAL g_fontBlock = nullptr;
FontEntry* g_fonts = nullptr;
int g_fontCount = 0;

bool IsSkippedCharSet(BYTE charSet) {
  return charSet == EASTEUROPE_CHARSET || charSet == RUSSIAN_CHARSET || charSet == GREEK_CHARSET ||
         charSet == TURKISH_CHARSET || charSet == BALTIC_CHARSET;
}

struct Enumeration {
  bool fill;
  int count;
  int capacity;
};

int CALLBACK VisitFamily(const LOGFONTA* font, const TEXTMETRICA*, DWORD type, LPARAM context) {
  auto* e = reinterpret_cast<Enumeration*>(context);
  if (!(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == '@') return 1;
  if (!e->fill) {
    ++e->count;
  } else if (!IsSkippedCharSet(font->lfCharSet) && e->count < e->capacity) {
    FontEntry& entry = g_fonts[e->count++];
    lstrcpynA(entry.face, font->lfFaceName, kFaceBytes);
    entry.pitchAndFamily = font->lfPitchAndFamily;
    entry.charSet = font->lfCharSet;
  }
  return 1;
}

const FontEntry* FindFont(const char* face) {
  if (!face) return nullptr;
  if (face[0] == '@') ++face;
  for (int i = 0; i < g_fontCount; ++i)
    if (std::strcmp(g_fonts[i].face, face) == 0) return &g_fonts[i];
  return nullptr;
}

// A font like the stock system font with the given face, size and weight.
HFONT MakeTextFont(HDC dc, const char* face, int height, int width, int weight, bool keepWeight,
                   BYTE charSetOverride = DEFAULT_CHARSET) {
  LOGFONTA font;
  GetObjectA(GetStockObject(SYSTEM_FONT), sizeof font, &font);
  SetBkMode(dc, TRANSPARENT);
  if (!face) face = LoadStringResource(IDS_TEXT_FONT);
  font.lfQuality = DRAFT_QUALITY;
  lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
  font.lfCharSet = FontCharSet(face);
  font.lfPitchAndFamily = FontPitchAndFamily(face);
  if (charSetOverride != DEFAULT_CHARSET) {
    // Japanese texts: let the font mapper find a face that has the glyphs.
    font.lfCharSet = charSetOverride;
    font.lfFaceName[0] = '\0';
  }
  font.lfHeight = height;
  font.lfWidth = width;
  font.lfEscapement = 0;
  if (!keepWeight) font.lfWeight = weight;
  return CreateFontIndirectA(&font);
}

std::vector<wchar_t> ToWideText(const char* text, unsigned codePage) {
  int length = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  std::vector<wchar_t> wide(length > 0 ? length : 1, L'\0');
  if (length > 0) MultiByteToWideChar(codePage, 0, text, -1, wide.data(), length);
  return wide;
}

}  // namespace

void BuildFontTable() {
  platform::WindowDC screen(nullptr);
  Enumeration count = {false, 0, 0};
  EnumFontFamiliesA(screen, nullptr, VisitFamily, LPARAM(&count));
  g_fontBlock =
      GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, SIZE_T(count.count + 5) * sizeof(FontEntry));
  g_fonts = g_fontBlock ? static_cast<FontEntry*>(GlobalLock(g_fontBlock)) : nullptr;
  if (g_fonts) {
    Enumeration fill = {true, 0, count.count + 5};
    EnumFontFamiliesA(screen, nullptr, VisitFamily, LPARAM(&fill));
    g_fontCount = fill.count;
  }
}

void FreeFontTable() {
  if (g_fontBlock) {
    GlobalUnlock(g_fontBlock);
    GlobalFree(g_fontBlock);
  }
  g_fontBlock = nullptr;
  g_fonts = nullptr;
  g_fontCount = 0;
}

int FontCount() { return g_fontCount; }

uint8_t FontPitchAndFamily(const char* face) {
  const FontEntry* entry = FindFont(face);
  return entry ? entry->pitchAndFamily : 0;
}

uint8_t FontCharSet(const char* face) {
  const FontEntry* entry = FindFont(face);
  return entry ? entry->charSet : 0;
}

void DrawTextAt(HDC dc, int x, int y, int height, const char* text, COLORREF colour, int* endX,
                int* endY, unsigned codePage) {
  if (!text || !*text) {
    if (endX) *endX = x, *endY = y;
    return;
  }
  platform::ScopedGdiObject<HFONT> font(MakeTextFont(
      dc, nullptr, height, 0, 0, true, codePage == 932 ? SHIFTJIS_CHARSET : DEFAULT_CHARSET));
  platform::Selected selected(dc, font.Get());
  MoveToEx(dc, x, y, nullptr);
  SetTextAlign(dc, TA_UPDATECP);
  SetTextColor(dc, colour);
  std::vector<wchar_t> wide = ToWideText(text, codePage);
  TextOutW(dc, 0, 0, wide.data(), int(wcslen(wide.data())));
  POINT end;
  GetCurrentPositionEx(dc, &end);
  if (endX) *endX = end.x, *endY = end.y;
  SetTextAlign(dc, 0);
}

SIZE MeasureText(HDC dc, const char* face, int characterWidth, int height, const char* text) {
  SIZE extent = {0, 0};
  if (!text || !*text) return extent;
  platform::ScopedGdiObject<HFONT> font(MakeTextFont(dc, face, height, characterWidth, 0, true));
  platform::Selected selected(dc, font.Get());
  // Through the wide call: the *A call would read the text in the font's
  // character set, not in the process's code page (UTF-8).
  std::vector<wchar_t> wide = ToWideText(text, CP_ACP);
  GetTextExtentPoint32W(dc, wide.data(), int(wcslen(wide.data())), &extent);
  return extent;
}

void DrawTextFitted(HDC dc, const RECT& box, const char* text, COLORREF colour, const char* face,
                    int weight, bool centre) {
  std::vector<wchar_t> wide = ToWideText(text ? text : "", CP_ACP);
  // Widths are shared among characters, not bytes: a multi-byte character is one.
  int characters = int(wcslen(wide.data()));
  if (characters == 0) return;
  int width = box.right - box.left, height = box.bottom - box.top;
  FittedText fit = FitTextWidth(width, characters, [&](int characterWidth) {
    return int(MeasureText(dc, face, characterWidth, height, text).cx);
  });
  int offset = centre ? fit.offset : 0;
  int characterWidth = height / 2 < fit.characterWidth ? height / 2 : fit.characterWidth;
  platform::ScopedGdiObject<HFONT> font(
      MakeTextFont(dc, face, height, characterWidth, weight, false));
  platform::Selected selected(dc, font.Get());
  SetTextColor(dc, colour);
  TextOutW(dc, box.left + offset, box.top, wide.data(), characters);
}
