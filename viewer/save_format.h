// Which file format "Enregistrer sous" writes. Window-free.
#pragma once

#include <string>

enum class SaveFormat { Bmp, Png, Jpeg };

// The format named by the file's extension (bmp, dib; png; jpg, jpeg, jpe,
// letter case ignored). A name without one of these gets the extension of
// `chosenType` (the type picked in the dialog) appended.
SaveFormat FormatForName(std::string* name, SaveFormat chosenType);
