#include "colour_services.h"

#include <algorithm>
#include <cmath>

#include "filter_run.h"

using filter::ColourServicesInfo;

namespace {

ChooseColourFn g_choose = nullptr;

// Red, green and blue between 0 and 1: the hub every conversion passes.
struct Rgb {
  double r, g, b;
};

int16_t ToComponent(double value, double most) {
  return int16_t(std::lround(std::clamp(value, 0.0, most)));
}

double Unit(int16_t component) { return std::clamp(component, int16_t(0), int16_t(255)) / 255.0; }

// Saturation, brightness and lightness run from 0 to 359 for 0 to 100 %, as
// the interface documents them.
constexpr double kPercentScale = 359;
double Percent(int16_t component) {
  return std::clamp(component, int16_t(0), int16_t(359)) / kPercentScale;
}

double Hue(const Rgb& c, double most, double delta) {
  if (delta <= 0) return 0;
  double hue;
  if (most == c.r)
    hue = (c.g - c.b) / delta;
  else if (most == c.g)
    hue = 2 + (c.b - c.r) / delta;
  else
    hue = 4 + (c.r - c.g) / delta;
  hue *= 60;
  return hue < 0 ? hue + 360 : hue;
}

// The colour of hue `hue` (degrees) at full saturation, each part 0..1.
Rgb PureHue(double hue) {
  double h = std::fmod(hue, 360.0) / 60.0;
  auto part = [h](double n) {
    return std::clamp(std::fabs(std::fmod(h + n, 6.0) - 3.0) - 1.0, 0.0, 1.0);
  };
  return {part(0), part(4), part(2)};
}

void FromHsb(const int16_t in[4], Rgb* c) {
  double s = Percent(in[1]), v = Percent(in[2]);
  Rgb pure = PureHue(std::clamp(in[0], int16_t(0), int16_t(359)));
  *c = {v * (1 - s * (1 - pure.r)), v * (1 - s * (1 - pure.g)), v * (1 - s * (1 - pure.b))};
}

void ToHsb(const Rgb& c, int16_t out[4]) {
  double most = std::max({c.r, c.g, c.b}), least = std::min({c.r, c.g, c.b});
  double delta = most - least;
  out[0] = int16_t(std::lround(Hue(c, most, delta)) % 360);
  out[1] = ToComponent(most > 0 ? delta / most * kPercentScale : 0, kPercentScale);
  out[2] = ToComponent(most * kPercentScale, kPercentScale);
}

void FromHsl(const int16_t in[4], Rgb* c) {
  double s = Percent(in[1]), l = Percent(in[2]);
  double chroma = (1 - std::fabs(2 * l - 1)) * s;
  Rgb pure = PureHue(std::clamp(in[0], int16_t(0), int16_t(359)));
  double base = l - chroma / 2;
  *c = {base + chroma * pure.r, base + chroma * pure.g, base + chroma * pure.b};
}

void ToHsl(const Rgb& c, int16_t out[4]) {
  double most = std::max({c.r, c.g, c.b}), least = std::min({c.r, c.g, c.b});
  double delta = most - least, l = (most + least) / 2;
  double s = delta > 0 ? delta / (1 - std::fabs(2 * l - 1)) : 0;
  out[0] = int16_t(std::lround(Hue(c, most, delta)) % 360);
  out[1] = ToComponent(s * kPercentScale, kPercentScale);
  out[2] = ToComponent(l * kPercentScale, kPercentScale);
}

// CMYK components are 255 for no ink and 0 for full ink.
void FromCmyk(const int16_t in[4], Rgb* c) {
  double k = Unit(in[3]);
  *c = {Unit(in[0]) * k, Unit(in[1]) * k, Unit(in[2]) * k};
}

void ToCmyk(const Rgb& c, int16_t out[4]) {
  double most = std::max({c.r, c.g, c.b});
  out[3] = ToComponent(most * 255, 255);
  for (int i = 0; i < 3; ++i) {
    double part = i == 0 ? c.r : i == 1 ? c.g : c.b;
    out[i] = ToComponent(most > 0 ? part / most * 255 : 255, 255);
  }
}

// sRGB with its D65 white: the curve and the matrix to XYZ.
double Linear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double Gamma(double v) {
  v = std::clamp(v, 0.0, 1.0);
  return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}
constexpr double kWhite[3] = {0.95047, 1.0, 1.08883};

// X, Y and Z relative to the white (white is 1, 1, 1).
void RgbToXyz(const Rgb& c, double xyz[3]) {
  double r = Linear(c.r), g = Linear(c.g), b = Linear(c.b);
  xyz[0] = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / kWhite[0];
  xyz[1] = (0.2126729 * r + 0.7151522 * g + 0.0721750 * b) / kWhite[1];
  xyz[2] = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / kWhite[2];
}

void XyzToRgb(const double relative[3], Rgb* c) {
  double x = relative[0] * kWhite[0], y = relative[1] * kWhite[1], z = relative[2] * kWhite[2];
  *c = {Gamma(3.2404542 * x - 1.5371385 * y - 0.4985314 * z),
        Gamma(-0.9692660 * x + 1.8760108 * y + 0.0415560 * z),
        Gamma(0.0556434 * x - 0.2040259 * y + 1.0572252 * z)};
}

double LabCurve(double t) {
  return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
}
double LabCurveInverse(double f) {
  return f * f * f > 216.0 / 24389 ? f * f * f : (116 * f - 16) * 27 / 24389;
}

void ToLab(const Rgb& c, int16_t out[4]) {
  double xyz[3];
  RgbToXyz(c, xyz);
  double fx = LabCurve(xyz[0]), fy = LabCurve(xyz[1]), fz = LabCurve(xyz[2]);
  out[0] = ToComponent((116 * fy - 16) * 255 / 100, 255);
  out[1] = ToComponent(500 * (fx - fy) + 128, 255);
  out[2] = ToComponent(200 * (fy - fz) + 128, 255);
}

void FromLab(const int16_t in[4], Rgb* c) {
  double fy = (std::clamp(in[0], int16_t(0), int16_t(255)) * 100.0 / 255 + 16) / 116;
  double fx = fy + (std::clamp(in[1], int16_t(0), int16_t(255)) - 128) / 500.0;
  double fz = fy - (std::clamp(in[2], int16_t(0), int16_t(255)) - 128) / 200.0;
  double xyz[3] = {LabCurveInverse(fx), LabCurveInverse(fy), LabCurveInverse(fz)};
  XyzToRgb(xyz, c);
}

bool ToRgb(int16_t space, const int16_t in[4], Rgb* c) {
  double xyz[3];
  switch (space) {
    case filter::kRgbSpace: *c = {Unit(in[0]), Unit(in[1]), Unit(in[2])}; return true;
    case filter::kHsbSpace: FromHsb(in, c); return true;
    case filter::kCmykSpace: FromCmyk(in, c); return true;
    case filter::kLabSpace: FromLab(in, c); return true;
    case filter::kGreySpace: *c = {Unit(in[0]), Unit(in[0]), Unit(in[0])}; return true;
    case filter::kHslSpace: FromHsl(in, c); return true;
    case filter::kXyzSpace:
      for (int i = 0; i < 3; ++i) xyz[i] = Unit(in[i]);
      XyzToRgb(xyz, c);
      return true;
    default: return false;
  }
}

bool FromRgb(int16_t space, const Rgb& c, int16_t out[4]) {
  double xyz[3];
  for (int i = 0; i < 4; ++i) out[i] = 0;  // what a space does not use
  switch (space) {
    case filter::kRgbSpace:
      out[0] = ToComponent(c.r * 255, 255);
      out[1] = ToComponent(c.g * 255, 255);
      out[2] = ToComponent(c.b * 255, 255);
      return true;
    case filter::kHsbSpace: ToHsb(c, out); return true;
    case filter::kCmykSpace: ToCmyk(c, out); return true;
    case filter::kLabSpace: ToLab(c, out); return true;
    case filter::kGreySpace:
      out[0] = ToComponent((0.299 * c.r + 0.587 * c.g + 0.114 * c.b) * 255, 255);
      return true;
    case filter::kHslSpace: ToHsl(c, out); return true;
    case filter::kXyzSpace:
      RgbToXyz(c, xyz);
      for (int i = 0; i < 3; ++i) out[i] = ToComponent(xyz[i] * 255, 255);
      return true;
    default: return false;
  }
}

// The record's colours: the picture's foreground and background (8-bit RGB).
void SpecialColour(int32_t which, int16_t rgb[4]) {
  FilterEntry* entry = CurrentFilterEntry();
  const uint8_t* colour = nullptr;
  static const uint8_t kBlack[4] = {0, 0, 0, 0}, kWhite8[4] = {255, 255, 255, 0};
  if (entry)
    colour = which == filter::kForegroundColour ? entry->record.foreColor : entry->record.backColor;
  if (!colour) colour = which == filter::kForegroundColour ? kBlack : kWhite8;
  for (int i = 0; i < 3; ++i) rgb[i] = colour[i];
  rgb[3] = 0;
}

// Answers in resultSpace, from an RGB colour.
int16_t AnswerFromRgb(ColourServicesInfo* info, const int16_t rgb[4]) {
  if (info->resultSpace == filter::kChosenSpace) info->resultSpace = filter::kRgbSpace;
  Rgb c = {Unit(rgb[0]), Unit(rgb[1]), Unit(rgb[2])};
  int16_t out[4] = {0, 0, 0, 0};
  if (!FromRgb(info->resultSpace, c, out)) return filter::kParameterError;
  for (int i = 0; i < 4; ++i) info->colourComponents[i] = out[i];
  info->resultGamutInfoValid = info->resultSpace == filter::kCmykSpace;
  info->resultInGamut = 1;
  return filter::kNoError;
}

int16_t ChooseColour(ColourServicesInfo* info) {
  FilterEntry* entry = CurrentFilterEntry();
  if (!g_choose) return filter::kHostInsufficientError;
  int16_t start[4] = {0, 0, 0, 0};
  if (!ConvertColour(info->sourceSpace, filter::kRgbSpace, info->colourComponents, start))
    return filter::kParameterError;
  uint8_t rgb[3] = {uint8_t(start[0]), uint8_t(start[1]), uint8_t(start[2])};
  if (!g_choose(entry ? entry->hostWindow : nullptr, rgb)) return filter::kUserCanceledError;
  int16_t chosen[4] = {rgb[0], rgb[1], rgb[2], 0};
  return AnswerFromRgb(info, chosen);
}

}  // namespace

void SetColourPicker(ChooseColourFn choose) { g_choose = choose; }

bool ConvertColour(int16_t from, int16_t to, const int16_t in[4], int16_t out[4]) {
  if (from == to && from >= filter::kRgbSpace && from <= filter::kXyzSpace) {
    for (int i = 0; i < 4; ++i) out[i] = in[i];
    return true;
  }
  Rgb c;
  return ToRgb(from, in, &c) && FromRgb(to, c, out);
}

int16_t FILTER_CALL ColourServices(ColourServicesInfo* info) {
  if (!info || info->reservedSourceSpaceInfo || info->reservedResultSpaceInfo || info->reserved)
    return filter::kParameterError;
  int16_t rgb[4] = {0, 0, 0, 0};
  switch (info->selector) {
    case filter::kColourChoose: return ChooseColour(info);
    case filter::kColourConvert:
      if (info->resultSpace == filter::kChosenSpace) return filter::kParameterError;
      if (!ConvertColour(info->sourceSpace, info->resultSpace, info->colourComponents, rgb))
        return filter::kParameterError;
      for (int i = 0; i < 4; ++i) info->colourComponents[i] = rgb[i];
      info->resultGamutInfoValid = info->resultSpace == filter::kCmykSpace;
      info->resultInGamut = 1;
      return filter::kNoError;
    case filter::kColourSpecial: {
      int32_t which = info->selectorParameter.specialColourId;
      if (which != filter::kForegroundColour && which != filter::kBackgroundColour)
        return filter::kParameterError;
      SpecialColour(which, rgb);
      return AnswerFromRgb(info, rgb);
    }
    default: return filter::kHostInsufficientError;  // no sample point in this host
  }
}
