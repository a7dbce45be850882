// The bitmap class's API that neither program calls (other loaders, sections, device
// bitmaps, compression, flipping, archives, palettes, the screen): one row a function,
// for its essential contract. The fuzz target drives them all on hostile input.
#include "bmp_builder.h"
#include "dib/dib.h"
#include "dib/dib_functions.h"
#include "platform/allocator.h"
#include "platform/carchive.h"
#include "platform/cmemfile.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/kernel.h"
#include "test_support.h"

#include <cstring>
#include <functional>
#include <memory>
#include <tuple>

namespace {

using Bytes = std::vector<BYTE>;

Bytes Bits(const CDib& d) {
    return {d.m_pBits, d.m_pBits + d.m_nImageSize};
}

// A 1 x 3 24-bit picture, rows stored 1 2 3, 4 5 6, 7 8 9; its top row is 7 8 9.
const BmpFields kThreeRows = BmpFields{}.Size(1, 3).Pixels({1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0});
const Bytes kReversed = {7, 8, 9, 0, 4, 5, 6, 0, 1, 2, 3, 0};

// A w x h picture of 4 or 8 bits whose table entry i is (i, 255 - i, 7i) and whose
// pixel x, y (from the top) is the index given.
void Indexed(CDib& d, int w, int h, const std::function<BYTE(int, int)>& index, int bits = 8) {
    d.CreateBlank(CSize(w, h), bits);
    for (int i = 0; i < d.m_nColorTableEntries; ++i)
        d.m_pColorTable[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    d.AdoptBits(platform::AfxAllocZeroed(d.m_nImageSize));
    const int stride = (w * bits + 31) / 32 * 4;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* row = d.m_pBits + (h - 1 - y) * stride;
            if (bits == 8)
                row[x] = index(x, y);
            else
                row[x / 2] |= BYTE(index(x, y) << (x % 2 == 0 ? 4 : 0));
        }
    d.MakePalette();
}

class DibApi : public WithRecordedMessages {
protected:
    TempDir dir;
};

TEST_F(DibApi, EachFunctionKeepsItsEssentialContract) {
    const std::string three = dir.Write("three.bmp", BuildBmp(kThreeRows));
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    const std::size_t live = platform::gdi::LiveObjectCount();
    const struct {
        const char* function;
        std::function<void()> check;
    } rows[] = {
        {"ReadFlipped reverses the stored rows, and takes only 40-byte headers",
         [&] {
             CDib d;
             CFile f(three.c_str(), CFile::modeRead);
             ASSERT_TRUE(d.ReadFlipped(&f, TRUE));
             EXPECT_EQ(Bits(d), kReversed);
             CFile v4(dir.Write("v4.bmp", BmpFields{}.Header(108).Build()).c_str(),
                      CFile::modeRead);
             EXPECT_FALSE(d.ReadFlipped(&v4, TRUE));
         }},
        {"ReadSection reads into a section, never claiming more than it holds",
         [&] {
             CDib d;
             CFile f(dir.Write("big.bmp", BuildBmp(BmpFields(kThreeRows).SizeImage(1000))).c_str(),
                     CFile::modeRead);
             ASSERT_TRUE(d.ReadSection(&f, &dc));
             EXPECT_NE(d.m_hSection, nullptr);
             EXPECT_EQ(Bits(d), kThreeRows.pixels);
         }},
        {"MapFile maps the file and a changed pixel reaches it",
         [&] {
             CDib d;
             const std::string path = dir.Write("m.bmp", BuildBmp(kThreeRows));
             ASSERT_TRUE(d.MapFile(path.c_str(), TRUE));
             EXPECT_EQ(d.m_nBitsOwner, 0);
             d.SetPixel(0, 0, RGBQUAD{10, 11, 12, 0});
             d.Empty();
             EXPECT_EQ(ReadFileBytes(path)[54 + 8], 10);
             EXPECT_FALSE(d.MapFile(dir.Write("t.bmp", {'h', 'i'}).c_str(), FALSE));
         }},
        {"SaveToMappedFile over the file it maps keeps the picture",
         [&] {
             CDib d;
             const std::string path = dir.Write("self.bmp", BuildBmp(kThreeRows));
             ASSERT_TRUE(d.MapFile(path.c_str(), FALSE));
             ASSERT_TRUE(d.SaveToMappedFile(path.c_str()));
             EXPECT_EQ(Bits(d), kThreeRows.pixels);
             d.Empty();
             EXPECT_EQ(ReadFileBytes(path), BuildBmp(kThreeRows));
         }},
        {"AttachMemory takes a global block handed over and frees it",
         [&] {
             const Bytes file = BuildBmp(kThreeRows);
             HGLOBAL g = GlobalAlloc(GHND, file.size() - 14);
             auto* p = static_cast<BYTE*>(GlobalLock(g));
             std::memcpy(p, file.data() + 14, file.size() - 14);
             CDib d;
             ASSERT_TRUE(d.AttachMemory(p, TRUE, g));
             EXPECT_EQ(d.m_pBits, p + 40);
             d.ResetHeader(CSize(1, 3), 24); // the pixels outlive the block they were in
             EXPECT_EQ(Bits(d), kThreeRows.pixels);
             d.Empty();
             EXPECT_EQ(GlobalSize(g), 0u);
         }},
        {"WriteFlipped writes the rows the other way up and keeps them so; below 8 bits, "
         "whole byte rows; a short array's missing bytes read as 0",
         [&] {
             for (auto [w, h, bits, size, flipped] :
                  {std::tuple{1, 3, 24, 10u, Bytes{9, 10, 0, 4, 5, 6, 7, 8, 1, 2}},
                   {9, 2, 1, 8u, Bytes{5, 6, 7, 8, 1, 2, 3, 4}}}) {
                 CDib d(CSize(w, h), bits);
                 d.AdoptBits(platform::AfxAllocZeroed(d.m_nImageSize));
                 for (DWORD k = 0; k < d.m_nImageSize; ++k)
                     d.m_pBits[k] = BYTE(k + 1);
                 d.m_nImageSize = size;
                 CMemFile out;
                 ASSERT_TRUE(d.WriteFlipped(&out, TRUE));
                 EXPECT_EQ(Bytes(out.Data().end() - size, out.Data().end()), flipped);
                 EXPECT_EQ(Bits(d), flipped);
             }
         }},
        {"SaveToMappedFile writes a table and pixels, then maps them and lets go of the last",
         [&] {
             CDib d;
             Indexed(d, 2, 2, [](int x, int y) { return BYTE(x + 2 * y); });
             const std::string path = dir.Path("saved.bmp"), again = dir.Path("again.bmp");
             ASSERT_TRUE(d.SaveToMappedFile(path.c_str()));
             EXPECT_EQ(d.m_nInfoOwner + d.m_nBitsOwner, 0);
             EXPECT_EQ(d.GetPixel(1, 1).rgbRed, 21) << "the pixels, now in the file";
             ASSERT_TRUE(d.SaveToMappedFile(again.c_str()));
             EXPECT_EQ(d.m_pColorTable[3].rgbRed, 21);
             EXPECT_FALSE(d.SaveToMappedFile(dir.Path("no/such/dir.bmp").c_str()));
             EXPECT_EQ(d.m_nImageSize, 8u) << "a failed save leaves the object";
             d.Empty();
             EXPECT_EQ(ReadFileBytes(again).size(), 1078u + 8u);
             EXPECT_EQ(ReadFileText("/proc/self/maps").find(path), std::string::npos);
             EXPECT_FALSE(CDib().SaveToMappedFile(path.c_str())) << "nothing to save";
             // An array shorter than the header's layout: the view claims no more.
             CDib shorter(CSize(2, 2), 24);
             shorter.AdoptBits(platform::AfxAllocZeroed(16));
             shorter.m_nImageSize = 10;
             ASSERT_TRUE(shorter.SaveToMappedFile(path.c_str()));
             EXPECT_EQ(shorter.m_nImageSize, 10u);
         }},
        {"Serialize: a CDib goes into an archive and comes back, once per object",
         [&] {
             CDib d;
             Indexed(d, 3, 2, [](int x, int y) { return BYTE(x + 3 * y); });
             CMemFile file;
             {
                 CArchive ar(&file, CArchive::store);
                 ar << static_cast<const CObject*>(&d) << static_cast<const CObject*>(&d);
                 ar.Close();
             }
             file.Seek(0, CFile::begin);
             CArchive ar(&file, CArchive::load);
             CDib *a = nullptr, *b = nullptr;
             ar >> a >> b;
             std::unique_ptr<CDib> owner(a);
             ASSERT_NE(a, nullptr);
             EXPECT_EQ(b, a);
             EXPECT_EQ(Bits(*a), Bits(d));
             EXPECT_EQ(a->m_pColorTable[5].rgbRed, 35);
         }},
        {"DuplicateDib copies header, table and pixels into memory of its own",
         [&] {
             CDib d, copy;
             Indexed(d, 2, 2, [](int x, int) { return BYTE(x + 1); });
             ASSERT_TRUE(DuplicateDib(d, copy));
             EXPECT_EQ(Bits(copy), Bits(d));
             EXPECT_NE(copy.m_pBits, d.m_pBits);
             EXPECT_EQ(std::memcmp(copy.m_pInfo, d.m_pInfo, 40 + 1024), 0);
         }},
        {"LoadDibFromFile gives the header and pixels as Read does",
         [&] {
             CFile f(three.c_str(), CFile::modeRead);
             BITMAPINFOHEADER* header = nullptr;
             BYTE* bits = nullptr;
             ASSERT_TRUE(LoadDibFromFile(&f, &header, &bits));
             EXPECT_EQ(Bytes(bits, bits + 12), kThreeRows.pixels);
             platform::AfxFreeBlock(header);
             platform::AfxFreeBlock(bits);
         }},
        {"MakeScreenPalette, DuplicatePalette, MakeColorTablePalette",
         [&] {
             HPALETTE screen = MakeScreenPalette(), copy = DuplicatePalette(screen);
             PALETTEENTRY e[256], c[256];
             ASSERT_EQ(GetPaletteEntries(screen, 0, 256, e), 256u);
             ASSERT_EQ(GetPaletteEntries(copy, 0, 256, c), 256u);
             EXPECT_EQ(std::memcmp(c, e, sizeof e), 0);
             EXPECT_EQ(e[1].peRed, 128);
             RGBQUAD table[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
             BITMAPINFOHEADER h{40, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0};
             HPALETTE pal = MakeColorTablePalette(table, &h);
             ASSERT_EQ(GetPaletteEntries(pal, 0, 2, c), 2u);
             EXPECT_EQ(c[1].peRed, 6);
             for (HPALETTE p : {screen, copy, pal})
                 DeleteObject(p);
         }},
        {"GrabScreenArea clamps its rectangle to the 1024 x 768 screen",
         [&] {
             CDib d;
             EXPECT_FALSE(GrabScreenArea(RECT{5, 5, 5, 9}, d));
             ASSERT_TRUE(GrabScreenArea(RECT{1000, 700, 5000, 5000}, d));
             EXPECT_EQ(d.GetDimensions(), CSize(24, 68));
         }},
        {"StretchDibToDC draws the whole picture, top row first",
         [&] {
             CDib d;
             CFile f(three.c_str(), CFile::modeRead);
             ASSERT_TRUE(d.Read(&f));
             HBITMAP bmp = CreateCompatibleBitmap(nullptr, 1, 3);
             HGDIOBJ old = dc.SelectObject(bmp);
             EXPECT_TRUE(StretchDibToDC(&dc, reinterpret_cast<BITMAPINFO*>(d.m_pInfo), d.m_pBits, 0,
                                        0, 1, 3, nullptr));
             EXPECT_EQ(dc.GetPixel(0, 0), RGB(9, 8, 7));
             dc.SelectObject(old);
             DeleteObject(bmp);
         }},
        {"Compress and expand: RLE8 and RLE4 round trips, the driver's encoding",
         [&] {
             for (int bits : {4, 8}) {
                 CDib d; // runs, literal stretches and single pixels in every row
                 Indexed(
                     d, 23, 5, [](int x, int y) { return BYTE((x < 7 ? 3 : x * 5 + y) % 16); },
                     bits);
                 const Bytes original = Bits(d);
                 ASSERT_TRUE(d.Compress(&dc, TRUE));
                 EXPECT_EQ(d.m_pInfo->biCompression, bits == 4 ? BI_RLE4 : BI_RLE8);
                 ASSERT_TRUE(d.Compress(&dc, FALSE));
                 EXPECT_EQ(Bits(d), original) << bits;
             }
         }},
        {"CreateSection puts the pixels in a section it owns",
         [&] {
             CDib d(CSize(3, 2), 24);
             HBITMAP section = d.CreateSection(&dc);
             ASSERT_NE(section, nullptr);
             BITMAP bm{};
             ASSERT_EQ(GetObject(section, sizeof bm, &bm), static_cast<int>(sizeof bm));
             EXPECT_EQ(bm.bmBits, d.m_pBits);
             d.Empty();
             EXPECT_EQ(GetObject(section, sizeof bm, &bm), 0);
         }},
        {"CreateFromBitmap makes a 24-bit picture of a screen bitmap",
         [&] {
             HBITMAP bmp = CreateCompatibleBitmap(nullptr, 3, 2);
             HDC mem = CreateCompatibleDC(nullptr);
             HGDIOBJ old = SelectObject(mem, bmp);
             HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
             RECT top{0, 0, 3, 1};
             FillRect(mem, &top, red);
             SelectObject(mem, old);
             CDib d;
             ASSERT_TRUE(d.CreateFromBitmap(bmp, nullptr));
             EXPECT_EQ(d.m_pInfo->biBitCount, 24);
             EXPECT_EQ(d.GetPixel(2, 0).rgbRed, 255);
             EXPECT_EQ(d.GetPixel(0, 1).rgbRed, 0);
             DeleteDC(mem);
             DeleteObject(bmp);
             DeleteObject(red);
         }},
        {"CreateDeviceBitmap holds the picture's colours",
         [&] {
             CDib d;
             Indexed(d, 2, 1, [](int x, int) { return BYTE(3 + x); });
             HBITMAP ddb = d.CreateDeviceBitmap(&dc);
             HDC mem = CreateCompatibleDC(nullptr);
             HGDIOBJ old = SelectObject(mem, ddb);
             EXPECT_EQ(GetPixel(mem, 1, 0), RGB(28, 251, 4));
             SelectObject(mem, old);
             DeleteDC(mem);
             DeleteObject(ddb);
         }},
        {"DrawFlipped flips the array in place, and twice restores it",
         [&] {
             CDib d;
             CFile f(three.c_str(), CFile::modeRead);
             ASSERT_TRUE(d.Read(&f));
             HBITMAP target = CreateCompatibleBitmap(nullptr, 1, 3);
             HGDIOBJ old = dc.SelectObject(target);
             ASSERT_TRUE(d.DrawFlipped(&dc, CPoint(0, 0), CSize(1, 3), 1));
             EXPECT_EQ(Bits(d), kReversed);
             ASSERT_TRUE(d.DrawFlipped(&dc, CPoint(0, 0), CSize(1, 3), 1));
             EXPECT_EQ(Bits(d), kThreeRows.pixels);
             dc.SelectObject(old);
             DeleteObject(target);
         }},
        {"MakeHalftonePalette only without a colour table; RealizeIn maps none",
         [&] {
             CDib indexed, rgb(CSize(1, 1), 24);
             Indexed(indexed, 1, 1, [](int, int) { return BYTE(0); });
             EXPECT_FALSE(indexed.MakeHalftonePalette(&dc));
             ASSERT_TRUE(rgb.MakeHalftonePalette(&dc));
             PALETTEENTRY e[256];
             ASSERT_EQ(GetPaletteEntries(rgb.m_hPal, 0, 256, e), 256u);
             EXPECT_EQ(std::tuple(e[245].peRed, e[245].peGreen, e[245].peBlue),
                       std::tuple(BYTE(160), BYTE(192), BYTE(192)));
             EXPECT_EQ(rgb.RealizeIn(&dc, FALSE), 0u);
         }},
        {"Convert565To24 and the other 16-bit conversions widen each field and drop the masks",
         [&] {
             for (auto [convert, word, green, bits] :
                  {std::tuple{&CDib::Convert565To24, WORD{0x07FF}, BYTE{0xFC}, 24},
                   {&CDib::Convert565To32, WORD{0x07FF}, BYTE{0xFC}, 32},
                   {&CDib::Convert555To24, WORD{0x03FF}, BYTE{0xF8}, 24},
                   {&CDib::Convert555To32, WORD{0x03FF}, BYTE{0xF8}, 32}}) {
                 // Rows of red full, then green and blue full; the top row the other way.
                 CDib d(CSize(2, 2), 16);
                 d.AdoptBits(platform::AfxAllocZeroed(8));
                 const WORD red = word == 0x07FF ? 0xF800 : 0x7C00,
                            words[] = {red, word, word, red};
                 std::memcpy(d.m_pBits, words, 8);
                 d.m_pInfo->biCompression = BI_BITFIELDS;
                 (d.*convert)();
                 EXPECT_EQ(std::pair(d.m_pInfo->biCompression, int{d.m_pInfo->biBitCount}),
                           std::pair(DWORD{BI_RGB}, bits));
                 Bytes seen;
                 for (int y = 0; y < 2; ++y)
                     for (int x = 0; x < 2; ++x) {
                         const RGBQUAD p = d.GetPixel(x, y);
                         seen.insert(seen.end(), {p.rgbBlue, p.rgbGreen, p.rgbRed});
                     }
                 EXPECT_EQ(seen, Bytes({0xF8, green, 0, 0, 0, 0xF8, 0, 0, 0xF8, 0xF8, green, 0}));
                 // and a row's padding stays zero
                 EXPECT_TRUE(bits == 32 || Bytes(d.m_pBits + 6, d.m_pBits + 8) == Bytes(2, 0));
             }
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.function);
        row.check();
        EXPECT_EQ(platform::gdi::LiveObjectCount(), live) << "a graphics object left behind";
    }
    // Only the refusals the rows ask for say anything.
    EXPECT_EQ(recorder.messages,
              (std::vector<std::string>{"Read error", "Invalid bitmap file", "write error"}));
}

} // namespace
