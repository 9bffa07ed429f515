#include "viewer/save_format.h"

#include "text/path_utils.h"

namespace {

struct Named {
  const char* extension;
  SaveFormat format;
};
constexpr Named kExtensions[] = {{"bmp", SaveFormat::Bmp},   {"dib", SaveFormat::Bmp},
                                 {"png", SaveFormat::Png},   {"jpg", SaveFormat::Jpeg},
                                 {"jpeg", SaveFormat::Jpeg}, {"jpe", SaveFormat::Jpeg}};

const char* DefaultExtension(SaveFormat format) {
  switch (format) {
    case SaveFormat::Png: return ".png";
    case SaveFormat::Jpeg: return ".jpg";
    default: return ".bmp";
  }
}

}  // namespace

SaveFormat FormatForName(std::string* name, SaveFormat chosenType) {
  size_t slash = name->find_last_of('\\');
  std::string base = slash == std::string::npos ? *name : name->substr(slash + 1);
  if (base.find('.') != std::string::npos)
    for (const Named& known : kExtensions)
      if (HasExtension(base.c_str(), known.extension)) return known.format;
  *name += DefaultExtension(chosenType);
  return chosenType;
}
