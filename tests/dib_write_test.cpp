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

// A pixel array of several pieces, and the masks of a BI_BITFIELDS picture, reach the
// file whole: bfOffBits counts the masks.
TEST_F(DibWrite, LargeArraysAndMasksAreWrittenWhole) {
    Make(2000, 1500, 24); // 9 MB: more than one piece
    const std::vector<BYTE> b = WriteToFile("big.bmp");
    ASSERT_EQ(b.size(), 54u + dib.m_nImageSize);
    EXPECT_EQ(std::memcmp(b.data() + 54, dib.m_pBits, dib.m_nImageSize), 0);
    BmpFields masked = BmpFields{}.Size(1, 1).Bits(32).Compression(BI_BITFIELDS);
    masked.gap = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    CFile in(dir.Write("m.bmp", masked.Build()).c_str(), CFile::modeRead);
    ASSERT_TRUE(dib.Read(&in));
    const std::vector<BYTE> m = WriteToFile("m2.bmp");
    EXPECT_EQ(Dword(m, 10), 66u);
    EXPECT_EQ(std::vector<BYTE>(m.begin() + 54, m.begin() + 66), masked.gap);
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
