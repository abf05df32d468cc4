// Pictures of the host's windows as PNG files (GDI+ encodes them).
#pragma once

#include <windows.h>

#include <string>

namespace drawing_host {

// The window as the screen shows it: frame, menu bar and whatever lies over it (an open menu). Only a real
// display (Xvfb) has these pixels; Wine's null driver gives an empty picture.
bool CaptureWindow(HWND window, const std::string& path, std::string* error);
// The client area as the window paints it for WM_PRINTCLIENT; works without a display.
bool CaptureClient(HWND window, const std::string& path, std::string* error);

} // namespace drawing_host
