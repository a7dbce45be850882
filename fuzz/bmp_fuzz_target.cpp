// Fuzz target: the input is a BMP file, driven through everything the program does
// with a file it opens. Built with libFuzzer under clang, or with replay_main.cpp so
// that saved inputs run as an ordinary test.
#include "dib/dib.h"
#include "platform/cmemfile.h"
#include "platform/interaction.h"
#include "report/bitmap_report.h"

#include <cstddef>
#include <cstdint>

namespace {

class Silent : public platform::InteractionSeam {
public:
    int MessageBox(const CString&, const CString&, UINT) override { return IDOK; }
};

// Converting costs time with the picture's area, whatever the file holds; the fuzzer
// keeps its inputs to pictures it can convert within its time limit.
constexpr std::int64_t kConvertPixelBudget = std::int64_t{1} << 18;

void Exercise(CDib& dib) {
    const BITMAPINFOHEADER& h = *dib.m_pInfo;
    BitmapReport report = ComposeReport("/fuzz/input.bmp", CFileStatus{}, dib.m_fileHeader, h);
    (void)report;

    int w = h.biWidth, ht = h.biHeight;
    const int xs[] = {0, w - 1, 0, w - 1, w / 2, -1, w};
    const int ys[] = {0, 0, ht - 1, ht - 1, ht / 2, -1, ht};
    for (int i = 0; i < 7; ++i) {
        RGBQUAD v = dib.GetPixel(xs[i], ys[i]);
        dib.SetPixel(xs[i], ys[i], RGBQUAD{v.rgbRed, v.rgbGreen, v.rgbBlue, 7});
    }

    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(nullptr, 345, 234);
    dc.SelectObject(bmp);
    dib.Draw(&dc, CPoint(0, 0), CSize(345, 234));
    dc.DeleteDC();
    DeleteObject(bmp);

    std::int64_t area =
        static_cast<std::int64_t>(w < 0 ? 0 : w) * (ht < 0 ? -static_cast<std::int64_t>(ht) : ht);
    if (area > kConvertPixelBudget)
        return;
    try {
        CSize size(w, ht);
        dib.ConvertTo555();
        dib.ResetHeader(size, 16);
        CMemFile out;
        dib.Write(&out);
    } catch (CMemoryException* e) {
        e->Delete();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Silent silent;
    platform::SetInteractionSeam(&silent);
    if (size > 64 * 1024 * 1024)
        return 0;
    CMemFile file(data, static_cast<UINT>(size));
    CDib dib;
    if (dib.Read(&file))
        Exercise(dib);
    return 0;
}
