// The about dialog ("ral_about"), centred on the screen.
#pragma once

#include <windows.h>

void ShowAboutDialog(HWND owner);
