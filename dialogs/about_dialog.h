// The about dialog ("ral_about"), centred on the screen.
#pragma once

#include <windows.h>

void ShowAboutDialog(HWND owner);

// Moves a dialog to the middle of the screen, keeping its size.
void CentreOnScreen(HWND dialog);
