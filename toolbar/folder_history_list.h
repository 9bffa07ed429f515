// The toolbar's list of recent folders (control 101 of the toolbar dialog).
#pragma once

// Refills the list from the folder history and selects its first item; does
// nothing while the toolbar does not exist.
void FillHistoryList();
// Selects no item: the folder shown is not in the history (too long for it,
// or none at all), and the list must not name another.
void ShowNoHistoryFolder();
