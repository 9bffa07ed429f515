#include "ui_draw/status_text.h"

#include <cstdio>
#include <cstring>

namespace {

// Shift-JIS: 処理中です： ... ％完了, and the marks ■ and □.
constexpr char kProcessing[] = "\x8f\x88\x97\x9d\x92\x86\x82\xc5\x82\xb7\x81\x46";
constexpr char kPercentDone[] = "\x81\x93\x8a\xae\x97\xb9";
constexpr char kFullMark[] = "\x81\xa1";
constexpr char kEmptyMark[] = "\x81\xa0";

void SetText(StatusText* target, const char* text, unsigned codePage) {
  std::snprintf(target->text, sizeof target->text, "%s", text);
  target->codePage = codePage;
}

}  // namespace

void ResetStatusMessages(StatusMessages* messages) {
  SetText(&messages->shown, "[Tamsel]", kSystemCodePage);
  SetText(&messages->saved, "", kSystemCodePage);
}

std::string ProgressText(int32_t percent) {
  char number[16];
  std::snprintf(number, sizeof number, "%03d", int(percent));
  std::string text = std::string(kProcessing) + number + kPercentDone;
  for (int i = 0; i < 10; ++i) text += i <= percent / 10 ? kFullMark : kEmptyMark;
  return text;
}

bool ApplyStatusMessage(StatusMessages* messages, uint32_t command, int32_t percent,
                        const char* text) {
  switch (command) {
    case 0: messages->shown = messages->saved; return true;
    case 3:
    case 8: SetText(&messages->shown, ProgressText(percent).c_str(), kShiftJis); return true;
    case 14: {
      if (!text) return false;
      char cut[256];
      std::snprintf(cut, sizeof cut, "%s", text);
      if (messages->shown.codePage == kSystemCodePage &&
          std::strcmp(cut, messages->shown.text) == 0)
        return false;
      SetText(&messages->shown, cut, kSystemCodePage);
      return true;
    }
    case 15:
      if (!text) return false;
      SetText(&messages->shown, text, kSystemCodePage);
      messages->saved = messages->shown;
      return true;
    default: return false;
  }
}
