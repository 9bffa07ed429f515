#include "viewer/filter_library.h"

#include "viewer/host_lines.h"

namespace {

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

FilterLibrary::~FilterLibrary() {
  if (module_) FreeLibrary(module_);
}

bool FilterLibrary::Load(const std::string& path) {
  module_ = LoadLibraryA(path.c_str());
  if (!module_) return false;
  title_ = Export<TitleFn>(module_, "FilterGetTitle");
  option_ = Export<OptionFn>(module_, "FilterOption");
  run_ = Export<RunFn>(module_, "FilterProc");
  if (title_ && option_ && run_) return true;
  FreeLibrary(module_);
  module_ = nullptr;
  title_ = nullptr;
  option_ = nullptr;
  run_ = nullptr;
  return false;
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

bool FilterLibrary::Run(HWND host, PackedDib picture) const {
  if (!run_ || !picture) return false;
  FilterHostImage image(picture);
  // Note the order FilterProc takes: the store cell before the read cell.
  return run_(host, image.Size(), image.PutCell(), image.GetCell()) == 1;
}
