// The status bar's message area as a state machine, free of windows: the
// WM_USER protocol (0 restore, 3 or 8 progress, 14 show, 15 show and save)
// applied to the shown and saved texts. Texts remember their code page: the
// progress text is Shift-JIS whatever the system, plug-in texts are ANSI.
#pragma once

#include <cstdint>
#include <string>

constexpr unsigned kSystemCodePage = 0;  // CP_ACP
constexpr unsigned kShiftJis = 932;

struct StatusText {
  char text[256];
  unsigned codePage;
};

struct StatusMessages {
  StatusText shown;
  StatusText saved;
};

// "[Tamsel]" shown, nothing saved.
void ResetStatusMessages(StatusMessages* messages);

// "処理中です：%03d％完了" and ten marks, as Shift-JIS bytes.
std::string ProgressText(int32_t percent);

// Applies one protocol message; `text` is read for 14 and 15 (cut to 255
// bytes). Returns true when the area must be repainted.
bool ApplyStatusMessage(StatusMessages* messages, uint32_t command, int32_t percent,
                        const char* text);
