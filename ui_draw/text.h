// Text drawn with fonts made on the spot, and the table of usable TrueType
// families that gives each face its character set and pitch.
#pragma once

#include <windows.h>

#include <cstdint>

// Builds the font table (before any window exists) and frees it at exit.
void BuildFontTable();
void FreeFontTable();
int FontCount();
// The matching entry's bytes, or 0; a leading '@' is skipped.
uint8_t FontPitchAndFamily(const char* face);
uint8_t FontCharSet(const char* face);

// Draws ANSI text (in `codePage`, converted to UTF-16 for drawing) with its
// top left at (x, y) in the default face; stores where it ended.
void DrawTextAt(HDC dc, int x, int y, int height, const char* text, COLORREF colour, int* endX,
                int* endY, unsigned codePage = CP_ACP);
SIZE MeasureText(HDC dc, const char* face, int characterWidth, int height, const char* text);
// Draws text into the box, narrowing its characters until it fits.
void DrawTextFitted(HDC dc, const RECT& box, const char* text, COLORREF colour, const char* face,
                    int weight, bool centre);
