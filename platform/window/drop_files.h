// Files dropped on a window from the desktop: a window that accepts them gets
// WM_DROPFILES with a handle that lists them.
#pragma once

#include "platform/cstring.h"

#include <string>

void DragAcceptFiles(HWND hwnd, BOOL accept);
// With index 0xFFFFFFFF the number of files; else copies file index's path as code page
// 936 text into buffer (when given) and returns its length without the terminator.
UINT DragQueryFile(HDROP drop, UINT index, LPTSTR buffer, UINT size);
void DragFinish(HDROP drop);

namespace platform {
// File index's path exactly as the file system names it, whatever its bytes.
std::string DragQueryNativePath(HDROP drop, UINT index);
} // namespace platform
