#include "viewer/filter_library.h"

#include <utility>

#include "viewer/host_lines.h"

bool FilterLibrary::Load(const std::string& path) {
  auto library = std::make_unique<platform::ScopedLibrary>(path.c_str());
  auto title = reinterpret_cast<TitleFn>(library->Export("FilterGetTitle"));
  auto option = reinterpret_cast<OptionFn>(library->Export("FilterOption"));
  auto run = reinterpret_cast<RunFn>(library->Export("FilterProc"));
  if (!title || !option || !run) return false;
  library_ = std::move(library);
  title_ = title;
  option_ = option;
  run_ = run;
  return true;
}

std::string FilterLibrary::Title() const {
  if (!title_) return "";
  // The library copies a short title; the buffer is generous and its end is
  // kept as a terminator whatever it writes.
  char title[256] = {};
  int32_t value1 = 0, value2 = 0;
  title_(0, title, &value1, &value2);
  title[sizeof title - 1] = '\0';
  return title;
}

void FilterLibrary::Choose(HWND owner) const {
  if (option_) option_(owner);
}

FilterRunResult FilterLibrary::Run(HWND host, PackedDib picture) const {
  FilterRunResult result;
  if (!run_ || !picture) return result;
  FilterHostImage image(picture);
  // Note the order FilterProc takes: the store cell before the read cell.
  if (run_(host, image.Size(), image.PutCell(), image.GetCell()) == 1)
    result.outcome = FilterOutcome::Applied;
  return result;
}
