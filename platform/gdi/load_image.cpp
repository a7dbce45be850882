// LoadImage for bitmap files: the whole file is read, its headers checked against the
// bytes it holds, and a device bitmap made from it. Nothing is read past the file.
#include "bmp/layout.h"
#include "platform/codepage.h"
#include "platform/gdi/dib_decoder.h"
#include "platform/gdi/gdi.h"

#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

bool ReadWholeFile(const char* path, std::vector<unsigned char>& out) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    constexpr std::size_t kLimit = std::size_t{1} << 31; // a bitmap file's size is 32 bits
    unsigned char chunk[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (out.size() + static_cast<std::size_t>(n) > kLimit) {
            ok = false;
            break;
        }
        out.insert(out.end(), chunk, chunk + n);
    }
    ::close(fd);
    return ok;
}

} // namespace

HANDLE LoadImage(HINSTANCE /*instance*/, LPCTSTR name, UINT type, int /*cx*/, int /*cy*/,
                 UINT flags) {
    if (type != IMAGE_BITMAP || (flags & LR_LOADFROMFILE) == 0 || name == nullptr)
        return nullptr;
    std::vector<unsigned char> file;
    if (!ReadWholeFile(platform::GbkToUtf8(name).c_str(), file))
        return nullptr;
    const bmp::File layout = bmp::ParseFile(file);
    const std::size_t infoStart = sizeof(BITMAPFILEHEADER);
    if (!layout.signature || layout.bfOffBits < infoStart || layout.bfOffBits > file.size())
        return nullptr;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(file.data() + infoStart);
    const std::size_t infoLength = layout.bfOffBits - infoStart;
    if (!platform::gdi::DrawingFormat(info, infoLength).Decodes())
        return nullptr;
    return CreateDIBitmap(nullptr, &info->bmiHeader, CBM_INIT, file.data() + layout.bfOffBits, info,
                          DIB_RGB_COLORS, file.size() - layout.bfOffBits, infoLength);
}
