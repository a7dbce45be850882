// The clipboard calls. A CF_TEXT block handed over with SetClipboardData goes to the
// desktop's clipboard when the clipboard is closed; the block then belongs to us and
// is freed.
#pragma once

#include "platform/winuser.h"

BOOL OpenClipboard(HWND owner);
BOOL EmptyClipboard();
HANDLE SetClipboardData(UINT format, HANDLE data);
BOOL CloseClipboard();
