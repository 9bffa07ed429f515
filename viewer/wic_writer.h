// PNG and JPEG files through the encoders of the Windows Imaging Component,
// where the system has them. Win32 only; COM is initialised by WinMain.
#pragma once

#include "image/packed_dib.h"
#include "viewer/safe_save.h"
#include "viewer/save_format.h"

// True when WIC can make an encoder of that format here.
bool WicEncoderAvailable(SaveFormat format);
// Writes a 24-bit picture as PNG or JPEG into `path` (created or truncated);
// the problem when the encoder is missing or fails or the file cannot be
// written. The caller removes what is left of a failed file.
SaveProblem WriteWithWic(const char* path, const DibHeader* picture, SaveFormat format);
