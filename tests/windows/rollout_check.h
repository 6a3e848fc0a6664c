// The map's editor opened in the stand-in material editor, whose rollouts are real dialogs
// made from the module's templates: their controls, lists, greying, spinner units, the lock
// and "Homepage".
#pragma once

#include <windows.h>

#include <string>

class ClassDesc;

void CheckRollouts(HMODULE module, ClassDesc* cd);
// Renders the editor of a new map as it opens (Mapping closed), or of one with erosion and
// distortion on and mapping "Explicit Map Channel 2D" with Mapping open (withOptions), into a
// BMP file.
bool WriteRolloutScreenshot(ClassDesc* cd, bool withOptions, const std::wstring& bmpFile);
