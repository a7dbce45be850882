// CDib operations in the states a caller can leave it in: attached memory, mapped
// files, sections, top-down pictures, headers at the limits. Each case once freed,
// overran, lost or leaked something.
#include "bmp_builder.h"
#include "dib/dib.h"
#include "dib/dib_functions.h"
#include "platform/allocator.h"
#include "platform/cmemfile.h"
#include "platform/gdi/gdi_objects.h"
#include "test_support.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cstring>

namespace {

class DibHostile : public WithRecordedMessages {
protected:
    std::string File(const BmpFields& s, const std::string& name = "in.bmp") {
        return dir.Write(name, BuildBmp(s));
    }
    static BmpFields TopDownRows() { // stored top row first
        return BmpFields{}.Size(1, -3).Pixels({1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0});
    }
    TempDir dir;
    CDib dib;
};

std::vector<BYTE> Bits(const CDib& d) {
    return {d.m_pBits, d.m_pBits + d.m_nImageSize};
}

class Thrower : public CObject {
    DECLARE_SERIAL(Thrower)
public:
    void Serialize(CArchive&) override {
        throw new CArchiveException(CArchiveException::genericException);
    }
};
IMPLEMENT_SERIAL(Thrower, CObject, 0)

} // namespace

TEST_F(DibHostile, ResetHeaderOfAttachedMemoryKeepsItsPixels) {
    std::vector<BYTE> file = BuildBmp(TopDownRows());
    const std::size_t length = file.size() - sizeof(BITMAPFILEHEADER);
    auto* packed = static_cast<BYTE*>(platform::AfxAllocZeroed(length));
    std::memcpy(packed, file.data() + sizeof(BITMAPFILEHEADER), length);
    ASSERT_TRUE(dib.AttachMemory(packed, TRUE, nullptr, length)); // the block is dib's
    const std::vector<BYTE> before = Bits(dib);
    dib.ResetHeader(CSize(1, -3), 24); // frees the block the pixels were in
    EXPECT_EQ(Bits(dib), before);
    CMemFile out;
    ASSERT_TRUE(dib.Write(&out));
}

TEST_F(DibHostile, FlippingATopDownPictureReversesItsRows) {
    const std::vector<BYTE> bytes = BuildBmp(TopDownRows());
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    ASSERT_TRUE(dib.ReadFlipped(&file, TRUE));
    const std::vector<BYTE> reversed = {7, 8, 9, 0, 4, 5, 6, 0, 1, 2, 3, 0};
    EXPECT_EQ(Bits(dib), reversed);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dib.DrawFlipped(&dc, CPoint(0, 0), CSize(1, 3), 1);
    EXPECT_EQ(Bits(dib), TopDownRows().pixels);
}

TEST_F(DibHostile, SectionsNeverClaimMoreThanTheyHold) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    // A stride of 2^31 + 4 bytes, which a 32-bit signed field can't hold.
    const std::vector<BYTE> bytes =
        BmpFields{}.Size(715827883, 1).SizeImage(0xFFFFFFF0u).Pixels({1, 2, 3, 4}).Build();
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    ASSERT_TRUE(dib.ReadSection(&file, &dc));
    EXPECT_LE(dib.m_nImageSize, 2147483652u);

    // A header reset that kept a large image size, then a section of the new size.
    CDib blank(CSize(2, 2), 24);
    blank.m_pInfo->biSizeImage = 1 << 20;
    blank.m_nImageSize = 1 << 20;
    ASSERT_NE(blank.CreateSection(&dc), nullptr);
    EXPECT_EQ(blank.m_nImageSize, 16u);
    CMemFile out;
    EXPECT_TRUE(blank.Write(&out));
}

TEST_F(DibHostile, SavingAMappedFileOverItselfKeepsThePicture) {
    const BmpFields s =
        BmpFields{}.Size(2, 2).Pixels({1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0});
    const std::string path = File(s);
    ASSERT_TRUE(dib.MapFile(path.c_str(), FALSE));
    ASSERT_TRUE(dib.SaveToMappedFile(path.c_str()));
    EXPECT_EQ(Bits(dib), s.pixels);
    const RGBQUAD p = dib.GetPixel(1, 1);
    EXPECT_EQ((std::vector<BYTE>{p.rgbBlue, p.rgbGreen, p.rgbRed}), (std::vector<BYTE>{4, 5, 6}));
    dib.Empty();
    EXPECT_EQ(ReadFileBytes(path), BuildBmp(s));
}

TEST_F(DibHostile, SavingToAMappedFileOnAFullDiskFailsWithoutAFault) {
    const std::string mountPoint = dir.Path("small");
    ASSERT_EQ(::mkdir(mountPoint.c_str(), 0700), 0);
    if (::geteuid() != 0 || ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no small file system to fill";
    dib.CreateBlank(CSize(256, 256), 24); // 192 KiB of pixels
    dib.AdoptBits(platform::AfxAllocZeroed(dib.m_nImageSize));
    const std::string path = mountPoint + "/full.bmp";
    EXPECT_FALSE(dib.SaveToMappedFile(path.c_str()));
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"write error"});
    EXPECT_EQ(dib.m_pInfo->biWidth, 256) << "the object is as it was";
    ::umount(mountPoint.c_str());
}

TEST_F(DibHostile, PixelOffsetsPastSixtyFourBitsAreOutside) {
    // Depth 65535 and the widest row: the row's start fits 63 bits, the pixel's does not.
    dib.CreateBlank(CSize(0x7FFFFFFF, 524297), 65535);
    dib.AdoptBits(platform::AfxAllocZeroed(16));
    dib.m_nImageSize = 16;
    const RGBQUAD p = dib.GetPixel(0x7FFFFFFE, 0);
    EXPECT_EQ((std::vector<BYTE>{p.rgbBlue, p.rgbGreen, p.rgbRed, p.rgbReserved}),
              (std::vector<BYTE>{0, 0, 0, 0}));
}

TEST_F(DibHostile, ConvertingSixteenBitsDropsTheMasks) {
    for (auto convert : {&CDib::Convert565To24, &CDib::Convert565To32, &CDib::Convert555To24,
                         &CDib::Convert555To32}) {
        CDib d(CSize(1, 1), 16);
        d.AdoptBits(platform::AfxAllocZeroed(4));
        d.m_nImageSize = 4;
        d.m_pInfo->biCompression = BI_BITFIELDS;
        (d.*convert)();
        EXPECT_EQ(d.m_pInfo->biCompression, BI_RGB);
    }
}

TEST_F(DibHostile, ReplacedPalettesAreFreedAndFailedCapturesSaySo) {
    const std::size_t live = platform::gdi::LiveObjectCount();
    CDib blank(CSize(2, 2), 24);
    ASSERT_TRUE(blank.MakeHalftonePalette(nullptr));
    ASSERT_TRUE(blank.MakeHalftonePalette(nullptr));
    EXPECT_EQ(platform::gdi::LiveObjectCount(), live + 1);
    blank.Empty();
    EXPECT_EQ(platform::gdi::LiveObjectCount(), live);

    CDib captured;
    const bool said = GrabScreenArea(RECT{0, 0, 4, 4}, captured) != FALSE;
    EXPECT_EQ(said, captured.IsEmpty() == FALSE);
}

TEST_F(DibHostile, AnObjectWhoseLoadingFailedCannotBeReferredToAgain) {
    // A new class "Thrower" whose object (index 2) fails to load, then a reference to it.
    std::vector<BYTE> bytes = {0xFF, 0xFF, 0, 0, 7, 0, 'T', 'h', 'r', 'o', 'w', 'e', 'r', 2, 0};
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    try {
        ar.ReadObject(nullptr);
        FAIL() << "its loading did not fail";
    } catch (CArchiveException* e) {
        e->Delete();
    }
    try {
        ar.ReadObject(nullptr);
        FAIL() << "a deleted object was handed out";
    } catch (CArchiveException* e) {
        EXPECT_EQ(e->m_cause, CArchiveException::badIndex);
        e->Delete();
    }
}

TEST_F(DibHostile, AReferenceToALoadedObjectIsCheckedAgainstTheClassAskedFor) {
    CDib one(CSize(1, 1), 24);
    one.AdoptBits(platform::AfxAllocZeroed(4));
    const std::string path = dir.Path("twice.arc");
    {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
        CArchive ar(&f, CArchive::store);
        ar << static_cast<const CObject*>(&one) << static_cast<const CObject*>(&one);
    }
    CFile f(path.c_str(), CFile::modeRead);
    CArchive ar(&f, CArchive::load);
    const std::unique_ptr<CObject> first(ar.ReadObject(nullptr)); // any class will do
    EXPECT_NE(first, nullptr);
    try {
        ar.ReadObject(RUNTIME_CLASS(Thrower));
        ADD_FAILURE() << "a picture was handed out as another class";
    } catch (CArchiveException* e) {
        EXPECT_EQ(e->m_cause, CArchiveException::badClass);
        e->Delete();
    }
}

// A load, a draw and the conversions leave no graphics object behind, at every depth.
TEST_F(DibHostile, LoadsDrawsAndConversionsLeaveNoObjectBehind) {
    CDC warm; // the stock objects come into being on first use and stay
    warm.CreateCompatibleDC(nullptr);
    warm.DeleteDC();
    const std::size_t live = platform::gdi::LiveObjectCount();
    for (const char* name : {"sample-1bit.bmp", "sample-4bit.bmp", "sample-8bit.bmp",
                             "sample-16bit.bmp", "sample-24bit.bmp", "sample-32bit.bmp"}) {
        SCOPED_TRACE(name);
        CFile file;
        ASSERT_TRUE(
            file.Open((std::string(PIXSCOPE_SAMPLES) + "/" + name).c_str(), CFile::modeRead));
        CDib dib;
        ASSERT_TRUE(dib.Read(&file));
        const std::size_t loaded = platform::gdi::LiveObjectCount();
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        HBITMAP target = CreateCompatibleBitmap(nullptr, 8, 8);
        HGDIOBJ old = dc.SelectObject(target);
        dib.Draw(&dc, CPoint(0, 0), CSize(8, 8));
        dib.DrawPart(&dc, CPoint(0, 0), CSize(8, 8), RECT{0, 0, 2, 2});
        dc.SelectObject(old);
        dc.DeleteDC();
        DeleteObject(target);
        EXPECT_EQ(platform::gdi::LiveObjectCount(), loaded) << "drawn";
        dib.ConvertTo555();
        dib.ResetHeader(CSize(dib.m_pInfo->biWidth, dib.m_pInfo->biHeight), 16);
        dib.Empty();
        EXPECT_EQ(platform::gdi::LiveObjectCount(), live) << "converted and emptied";
    }
}
