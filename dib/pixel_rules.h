// The rules the pixel commands apply before they touch a pixel, shared by the window
// program and pixscope-cli.
#pragma once

#include "platform/wintypes.h"

// A position the read and modify commands accept: inside the picture as displayed,
// columns from the left and rows from the top, whichever way its rows are stored.
inline bool PixelPositionAccepted(const BITMAPINFOHEADER& h, int x, int y) {
    const long long rows = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
    return x >= 0 && y >= 0 && x < h.biWidth && y < rows;
}

// Only true-colour pictures can be written.
inline bool PixelWritable(const BITMAPINFOHEADER& h) {
    return h.biBitCount == 24 || h.biBitCount == 32;
}

// The messages, in UTF-8; the commands show them converted to code page 936.
inline constexpr const char* kPositionOutsideMessage = "输入的坐标超过图像大小了⊙﹏⊙b汗";
inline constexpr const char* kDepthNotWritableMessage = "目前只支持24/32位真彩位图！(⊙o⊙)…";
// After the reason a save is refused for.
inline constexpr const char* kNothingWrittenMessage = "没有写入任何文件。";
// A file another program shortened while the checker or the locator read it.
inline constexpr const char* kFileChangedMessage =
    "读取时文件被其他程序改短了，结果不可信。请等它写完后再试一次。";
