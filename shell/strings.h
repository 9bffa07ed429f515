// Texts of the browser's string table, and its Shift-JIS messages.
#pragma once

// The string `id` from the resources, in one static 250-character buffer
// valid until the next call. A missing string shows "id[%d]LoadString
// error" and returns the buffer's previous text.
const char* LoadStringResource(unsigned id);

// A message box (information icon, caption "Tamsel") whose text is
// Shift-JIS bytes, shown through the wide-character API so it reads
// correctly on any system code page.
void ShowShiftJisMessage(void* owner, const char* shiftJisText);
