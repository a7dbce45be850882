// Writing BMP files: the exact bytes, failures, flipping, mapped files and archives.
#include "bmp_builder.h"
#include "dib/dib.h"
#include "platform/allocator.h"
#include "platform/replacing_file.h"
#include "test_support.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

namespace {

class DibWrite : public WithRecordedMessages {
protected:
    void Make(int w, int h, int bits) {
        dib.CreateBlank(CSize(w, h), bits);
        dib.AdoptBits(platform::AfxAllocZeroed(dib.m_nImageSize));
        for (DWORD i = 0; i < dib.m_nImageSize; ++i)
            dib.m_pBits[i] = static_cast<BYTE>(i + 1);
    }
    std::vector<BYTE> WriteToFile(const std::string& name) {
        std::string path = dir.Path(name);
        {
            CFile f(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
            EXPECT_TRUE(dib.Write(&f));
        }
        return ReadFileBytes(path);
    }
    TempDir dir;
    CDib dib;
};

DWORD Dword(const std::vector<BYTE>& b, size_t at) {
    DWORD v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// Throws a disk-full error on its n-th write.
class FailingFile : public CFile {
public:
    explicit FailingFile(int failAt) : m_failAt(failAt) {}
    void Write(const void* buffer, UINT count) override {
        if (++m_writes == m_failAt)
            AfxThrowFileException(CFileException::diskFull, 28);
        CFile::Write(buffer, count);
    }

private:
    int m_failAt;
    int m_writes = 0;
};

} // namespace

TEST_F(DibWrite, TwentyFourBitsThreeByTwo) {
    Make(3, 2, 24);
    std::vector<BYTE> b = WriteToFile("a.bmp");
    ASSERT_EQ(b.size(), 78u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Dword(b, 2), 78u);
    EXPECT_EQ(Dword(b, 6), 0u);
    EXPECT_EQ(Dword(b, 10), 54u);
    EXPECT_EQ(std::memcmp(b.data() + 14, dib.m_pInfo, 40), 0);
    EXPECT_EQ(std::memcmp(b.data() + 54, dib.m_pBits, 24), 0);
    DWORD recorded = dib.m_fileHeader.bfSize;
    EXPECT_EQ(recorded, 78u);
}

TEST_F(DibWrite, ColourTableAndResetHeader) {
    Make(2, 2, 8);
    std::vector<BYTE> b = WriteToFile("a.bmp");
    EXPECT_EQ(Dword(b, 10), 1078u);
    EXPECT_EQ(b.size(), 1078u + 8u);

    Make(3, 2, 24);
    dib.ConvertTo555();
    dib.ResetHeader(CSize(3, 2), 16);
    b = WriteToFile("b.bmp");
    EXPECT_EQ(Dword(b, 10), 54u);
    EXPECT_EQ(Dword(b, 2), 54u + 16u);
}

TEST_F(DibWrite, ReadFileComesOutCompactWithZeroReservedWords) {
    BmpFields s;
    s.width = 1;
    s.height = 1;
    s.bitCount = 8;
    s.colors = std::vector<RGBQUAD>(256, RGBQUAD{1, 2, 3, 0});
    s.gap = {9, 9, 9, 9, 9, 9, 9, 9};
    s.reserved1 = 0xBEEF;
    CFile in(dir.Write("in.bmp", BuildBmp(s)).c_str(), CFile::modeRead);
    ASSERT_TRUE(dib.Read(&in));
    std::vector<BYTE> b = WriteToFile("out.bmp");
    EXPECT_EQ(Dword(b, 10), 1078u);
    EXPECT_EQ(b[6], 0);
    EXPECT_EQ(b[7], 0);
    EXPECT_EQ(b.size(), 1078u + 4u);
}

TEST_F(DibWrite, FailureAfterTheFirstPieceShowsWriteError) {
    Make(3, 2, 24);
    std::string path = dir.Path("f.bmp");
    FailingFile f(2);
    ASSERT_TRUE(f.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite));
    EXPECT_FALSE(dib.Write(&f));
    f.Close();
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"write error"});
    EXPECT_EQ(ReadFileBytes(path).size(), 14u); // the file header got there
}

TEST_F(DibWrite, WithoutPixelsIsAWriteErrorNotACrash) {
    dib.CreateBlank(CSize(2, 2), 24);
    CFile f(dir.Path("x.bmp").c_str(), CFile::modeCreate | CFile::modeReadWrite);
    EXPECT_FALSE(dib.Write(&f));
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"write error"});
}

TEST_F(DibWrite, WriteFlippedReversesRowsAndKeepsThemReversed) {
    const struct {
        const char* name;
        int w, h, bits;
        DWORD size; // of the array, 0: as computed
        std::vector<BYTE> flipped;
    } cases[] = {
        // Whole pixels move; each row's padding byte stays where it was.
        {"24 bits", 1, 3, 24, 0, {9, 10, 11, 4, 5, 6, 7, 8, 1, 2, 3, 12}},
        {"8 bits, one pixel wide", 1, 2, 8, 0, {5, 2, 3, 4, 1, 6, 7, 8}},
        // Below 8 bits whole byte rows are reversed.
        {"1 bit", 9, 2, 1, 0, {5, 6, 7, 8, 1, 2, 3, 4}},
        // What a short array lacks reads as 0.
        {"24 bits, an array 10 of 12 bytes long", 1, 3, 24, 10, {9, 10, 0, 4, 5, 6, 7, 8, 1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Make(c.w, c.h, c.bits);
        if (c.size != 0)
            dib.m_nImageSize = c.size;
        const std::string path = dir.Path("f.bmp");
        {
            CFile f(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
            EXPECT_TRUE(dib.WriteFlipped(&f, TRUE));
        }
        const std::vector<BYTE> b = ReadFileBytes(path);
        EXPECT_EQ(std::vector<BYTE>(b.end() - static_cast<long>(dib.m_nImageSize), b.end()),
                  c.flipped);
        EXPECT_EQ(std::vector<BYTE>(dib.m_pBits, dib.m_pBits + dib.m_nImageSize), c.flipped);
    }
    Make(1, 2, 24);
    CFile f(dir.Path("g.bmp").c_str(), CFile::modeCreate | CFile::modeReadWrite);
    EXPECT_TRUE(dib.WriteFlipped(&f, FALSE));
    EXPECT_EQ(dib.m_pBits[0], 1);
}

// Whether the process still maps the file.
bool Mapped(const std::string& path) {
    return ReadFileText("/proc/self/maps").find(path) != std::string::npos;
}

TEST_F(DibWrite, SaveToMappedFileWorksOnTheFilesBytesAndLetsThemGo) {
    Make(2, 2, 24);
    const std::string path = dir.Path("m.bmp"), again = dir.Path("again.bmp");
    ASSERT_TRUE(dib.SaveToMappedFile(path.c_str()));
    EXPECT_EQ(dib.m_nInfoOwner + dib.m_nBitsOwner, 0);
    EXPECT_NE(dib.m_hMapFile, nullptr);
    EXPECT_EQ(dib.m_nImageSize, 16u);
    dib.SetPixel(0, 1, RGBQUAD{0xAA, 0xBB, 0xCC, 0}); // bottom-left: the first pixel bytes
    dib.Empty();
    EXPECT_FALSE(Mapped(path));
    std::vector<BYTE> b = ReadFileBytes(path);
    ASSERT_EQ(b.size(), 70u);
    EXPECT_EQ(Dword(b, 2), 70u);
    EXPECT_EQ((std::vector<BYTE>(b.begin() + 54, b.begin() + 58)),
              (std::vector<BYTE>{0xAA, 0xBB, 0xCC, 4}));

    // With a colour table, from an object that maps another file.
    Make(2, 2, 8);
    dib.m_pColorTable[3] = RGBQUAD{7, 8, 9, 0};
    ASSERT_TRUE(dib.SaveToMappedFile(path.c_str()));
    ASSERT_TRUE(dib.MapFile(path.c_str(), TRUE));
    ASSERT_TRUE(dib.SaveToMappedFile(again.c_str()));
    EXPECT_FALSE(Mapped(path)) << "the first mapping was let go";
    EXPECT_EQ(dib.m_nColorTableEntries, 256);
    EXPECT_NE(dib.m_hPal, nullptr);
    EXPECT_EQ(dib.m_pColorTable[3].rgbRed, 9);
    dib.Empty();
    EXPECT_FALSE(Mapped(again));
    b = ReadFileBytes(again);
    ASSERT_EQ(b.size(), 1078u + 8u);
    EXPECT_EQ(Dword(b, 10), 1078u);
    EXPECT_EQ(b[54 + 12 + 2], 9);
}

TEST_F(DibWrite, SaveToMappedFileThatCannotCreateLeavesTheObject) {
    Make(2, 2, 24);
    BYTE* bits = dib.m_pBits;
    EXPECT_FALSE(dib.SaveToMappedFile(dir.Path("no/such/dir.bmp").c_str()));
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"write error"});
    EXPECT_EQ(dib.m_pBits, bits);
    EXPECT_EQ(dib.m_nBitsOwner, 1);
    EXPECT_EQ(dib.m_hMapFile, nullptr);

    // A header no file may have, which the object was given after loading: refused once
    // copied into the file, and nothing stays.
    dib.m_pInfo->biSize = 12;
    EXPECT_FALSE(dib.SaveToMappedFile(dir.Path("odd.bmp").c_str()));
    EXPECT_EQ(recorder.messages.size(), 2u);
    EXPECT_TRUE(dib.IsEmpty());
}

TEST_F(DibWrite, ArchiveRoundTrip) {
    Make(3, 2, 8);
    dib.m_pColorTable[7] = RGBQUAD{7, 8, 9, 0};
    std::string path = dir.Path("a.arc");
    CDib other(CSize(1, 1), 24);
    other.AdoptBits(platform::AfxAllocZeroed(4));
    {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
        CArchive ar(&f, CArchive::store);
        ar << DWORD{0x12345678} << static_cast<const CObject*>(&dib)
           << static_cast<const CObject*>(&dib) << static_cast<const CObject*>(&other);
        ar << WORD{0xBEEF} << BYTE{0x5A};
        ar.Close();
    }
    std::vector<BYTE> b = ReadFileBytes(path);
    // The value, then a new class: FFFF, schema 0, name length 4, "CDib", then the file.
    const BYTE head[] = {0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0,   0,
                         4,    0,    'C',  'D',  'i',  'b',  'B', 'M'};
    ASSERT_GE(b.size(), sizeof head);
    EXPECT_EQ(std::memcmp(b.data(), head, sizeof head), 0);
    size_t bmpSize = 1078 + 8;
    // Then the object's index 2, the class's index and the other file, the WORD, the BYTE.
    EXPECT_EQ(b.size(), 14 + bmpSize + 2 + 2 + 58 + 3);

    CFile f(path.c_str(), CFile::modeRead);
    CArchive ar(&f, CArchive::load, 3); // reads that span refills
    DWORD v = 0;
    CDib* loaded = nullptr;
    CDib* again = nullptr;
    CDib* third = nullptr;
    WORD tail = 0;
    BYTE last = 0;
    ar >> v >> loaded >> again >> third >> tail >> last;
    std::unique_ptr<CDib> owner(loaded), thirdOwner(third);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->m_pInfo->biBitCount, 24);
    EXPECT_EQ(v, 0x12345678u);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(again, loaded);
    EXPECT_EQ(tail, 0xBEEF);
    EXPECT_EQ(last, 0x5A);
    EXPECT_EQ(loaded->m_nImageSize, 8u);
    EXPECT_EQ(loaded->m_pColorTable[7].rgbRed, 9);
    EXPECT_EQ(std::memcmp(loaded->m_pBits, dib.m_pBits, 8), 0);
}

TEST_F(DibWrite, ArchiveRefusesUnknownClassesWritesWhileLoadingAndReadsPastTheEnd) {
    std::string path = dir.Write("bad.arc", {0xFF, 0xFF, 0, 0, 4, 0, 'C', 'X', 'y', 'z'});
    CFile f(path.c_str(), CFile::modeRead);
    CArchive ar(&f, CArchive::load);
    CDib* loaded = nullptr;
    const std::pair<int, std::function<void()>> refusals[] = {
        {CArchiveException::badClass, [&] { ar >> loaded; }},
        {CArchiveException::readOnly, [&] { ar << BYTE{1}; }},
        {CArchiveException::endOfFile, [&] { ar >> loaded; }},
    };
    for (const auto& [cause, step] : refusals) {
        try {
            step();
            ADD_FAILURE() << "no exception for " << cause;
        } catch (CArchiveException* e) {
            EXPECT_EQ(e->m_cause, cause);
            e->Delete();
        }
    }
}
