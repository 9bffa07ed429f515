// Stands in for the family's viewer: writes the arguments it was started
// with (everything from the first quote on) to ondex.txt beside itself.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const char* line = GetCommandLineA();
  const char* quote = std::strchr(line, '"');
  char path[MAX_PATH + 16];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* slash = std::strrchr(path, '\\');
  if (!length || !slash) return 1;
  std::strcpy(slash + 1, "ondex.txt");
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  if (quote) WriteFile(file, quote, DWORD(std::strlen(quote)), &written, nullptr);
  CloseHandle(file);
  return 0;
}
