// eenv.env and phist.dat as anything may have left them: read, then used
// the way the browser uses them at start and when a folder is visited.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_folder.h"
#include "fuzz_input.h"
#include "shell/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A fresh history block for every input, so that no input's outcome
  // depends on the ones before it.
  FreeFolderHistory();
  if (!CreateFolderHistory()) return 0;
  // The first 40 bytes are the settings file, the rest the history file.
  size_t settingsBytes = size < sizeof(Settings) ? size : sizeof(Settings);
  WriteFuzzFile("eenv.env", data, settingsBytes);
  WriteFuzzFile("phist.dat", data + settingsBytes, size - settingsBytes);
  const char* folder = FuzzFolder().c_str();
  SetDefaultSettings();
  ReadSettings(folder);
  ReadHistory(folder);

  volatile int32_t used = UsableThumbSize() + UsableFormatIndex(int32_t(size % 200));
  for (int k = -1; k <= kHistorySlots; ++k) used = used + int32_t(std::strlen(HistorySlot(k)));
  used = used + HistoryCount();
  // A visited folder taken from the input itself, then one already listed.
  FuzzInput input(data, size);
  char visited[300] = {};
  input.Fill(reinterpret_cast<uint8_t*>(visited), 1 + input.Take<uint8_t>());
  AddFolderToHistory(visited);
  if (HistoryCount() > 0) {
    std::string again = HistorySlot(HistoryCount() - 1);
    AddFolderToHistory(again.c_str());
  }
  WriteSettings(folder);
  WriteHistory(folder);
  return 0;
}
