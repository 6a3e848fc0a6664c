// Window classes for the host's custom controls ("CustEdit", "SpinnerControl", "CustButton",
// "ColorSwatch"). The host registers them; the SDK stand-in keeps their state by window.
// They are global classes because the module's dialogs create them under its own instance.
#pragma once

#include <windows.h>

bool RegisterStandInControls(HINSTANCE instance);
// The colour a swatch draws (the host's swatch keeps it; here the test host sets it).
void SetSwatchColor(HWND swatch, COLORREF color);
