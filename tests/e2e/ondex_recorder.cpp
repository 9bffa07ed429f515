// Stands in for the family's viewer: writes the arguments it was started
// with (everything from the first quote on, in UTF-8) to ondex.txt beside
// itself.
#include <windows.h>

#include <cstring>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The command line as the system holds it (UTF-16), written as UTF-8, so
  // that every name comes through whole whatever this process's code page.
  const wchar_t* wide = GetCommandLineW();
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(bytes > 0 ? bytes : 1), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide, -1, &utf8[0], bytes, nullptr, nullptr);
  const char* line = utf8.c_str();
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
