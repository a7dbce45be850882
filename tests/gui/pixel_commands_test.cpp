// Reading, writing and colour-picking pixels, and saving the changed bitmap.
#include "dib/dib.h"
#include "tests/gui/viewer_fixture.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

const char* const kOutside = "输入的坐标超过图像大小了⊙﹏⊙b汗";
const char* const kDepth = "目前只支持24/32位真彩位图！(⊙o⊙)…";

// Each corner its own colour, the rest grey.
COLORREF Corners(int x, int y) {
    if (x == 0 && y == 0)
        return RGB(1, 2, 3);
    if (x == 4 && y == 0)
        return RGB(10, 20, 30);
    if (x == 0 && y == 2)
        return RGB(100, 110, 120);
    if (x == 4 && y == 2)
        return RGB(200, 210, 255);
    return RGB(128, 128, 128);
}

class PixelCommands : public ViewerTest {
protected:
    void ReadAt(const char* x, const char* y) {
        Field(IDC_EDIT_X, x);
        Field(IDC_EDIT_Y, y);
        Command(IDC_READ_PIXEL);
    }
    void WriteAt(const char* x, const char* y, const char* b, const char* g, const char* r,
                 const char* s) {
        Field(IDC_EDIT_X, x);
        Field(IDC_EDIT_Y, y);
        Field(IDC_EDIT_B, b);
        Field(IDC_EDIT_G, g);
        Field(IDC_EDIT_R, r);
        Field(IDC_EDIT_S, s);
        Command(IDC_MODIFY_PIXEL);
    }
    std::string Bgrs() {
        return FieldText(IDC_EDIT_B) + "," + FieldText(IDC_EDIT_G) + "," + FieldText(IDC_EDIT_R) +
               "," + FieldText(IDC_EDIT_S);
    }
};

TEST_F(PixelCommands, ReadsTheFourCornersFromTheTop) {
    const std::string path = dir.Write("c.bmp", PictureOf(5, 3, Corners));
    Run([&] {
        Open(path);
        struct Case {
            const char *x, *y, *bgrs, *caption;
        };
        const Case cases[] = {{"0", "0", "3,2,1,0", "像素值BGRS:3,2,1,0"},
                              {"4", "0", "30,20,10,0", "像素值BGRS:1e,14,a,0"},
                              {"0", "2", "120,110,100,0", "像素值BGRS:78,6e,64,0"},
                              {"4", "2", "255,210,200,0", "像素值BGRS:ff,d2,c8,0"}};
        for (const Case& c : cases) {
            SCOPED_TRACE(c.bgrs);
            ReadAt(c.x, c.y);
            EXPECT_EQ(Bgrs(), c.bgrs);
            EXPECT_EQ(Caption(), c.caption);
        }
        EXPECT_EQ(dlg.m_editColor.m_crColor, RGB(200, 210, 255));
        const QImage swatch = Grab(dlg.m_editColor);
        EXPECT_EQ(PixelAt(swatch, 10, 8), RGB(200, 210, 255));
        EXPECT_EQ(PixelAt(swatch, 42, 18), RGB(200, 210, 255))
            << "the last pixel inside the border";
        EXPECT_TRUE(recorder.messages.empty());

        // Text that is not a number in X: said, and the previous position read again.
        ReadAt("4", "0");
        ReadAt("abc", "0");
        EXPECT_EQ(recorder.messages, std::vector<std::string>{"请键入一个整数。"});
        EXPECT_EQ(FieldText(IDC_EDIT_X), "4");
        EXPECT_EQ(Bgrs(), "30,20,10,0");
    });
}

TEST_F(PixelCommands, OneBitPicturesReadThroughTheirColourTable) {
    // Bottom row: (1, 1) set; top: (0, 0) set.
    const std::string path = dir.Write("one.bmp", BmpFields{}
                                                      .Size(2, 2)
                                                      .Bits(1)
                                                      .Table({{0, 0, 200, 0}, {50, 60, 70, 0}})
                                                      .Pixels({0x40, 0, 0, 0, 0x80, 0, 0, 0})
                                                      .Build());
    Run([&] {
        Open(path);
        const char* expected[2][2] = {{"50,60,70,0", "0,0,200,0"}, {"0,0,200,0", "50,60,70,0"}};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) {
                ReadAt(std::to_string(x).c_str(), std::to_string(y).c_str());
                EXPECT_EQ(Bgrs(), expected[y][x]) << x << "," << y;
            }
        EXPECT_EQ(Caption(), "像素值BGRS:32,3c,46,0");
    });
}

TEST_F(PixelCommands, PositionsOutsideThePictureGetTheBoundMessage) {
    const std::string path = dir.Write("c.bmp", PictureOf(5, 3, Corners));
    const std::string topDown = dir.Write("td.bmp", PictureOf(5, -3, Corners));
    Run([&] {
        Open(path);
        ReadAt("4", "2");
        const std::string shown = Bgrs();
        for (auto [x, y] : {std::pair{"5", "0"}, {"0", "3"}, {"-1", "0"}, {"0", "-1"}}) {
            recorder.messages.clear();
            ReadAt(x, y);
            EXPECT_EQ(recorder.messages, std::vector<std::string>{kOutside}) << x << "," << y;
            WriteAt(x, y, "1", "1", "1", "1");
            EXPECT_EQ(LastMessage(), kOutside);
            EXPECT_EQ(FieldText(IDC_EDIT_X), x) << "the edits keep what was typed";
        }
        // A top-down picture shows and answers the same pixels, counted from the top.
        Open(topDown);
        ReadAt("4", "2");
        EXPECT_EQ(Bgrs(), shown);
        recorder.messages.clear();
        WriteAt("4", "2", "1", "2", "3", "4");
        ReadAt("4", "2");
        EXPECT_EQ(Bgrs(), "1,2,3,0");
        EXPECT_TRUE(recorder.messages.empty());
        ReadAt("0", "3");
        EXPECT_EQ(recorder.messages, std::vector<std::string>{kOutside});
    });
}

TEST_F(PixelCommands, WritingAnEightBitPictureIsRefusedBeforeAnyExchange) {
    const std::string path =
        dir.Write("eight.bmp", BmpFields{}.Bits(8).Table(std::vector<RGBQUAD>(256)).Build());
    Run([&] {
        Open(path);
        const int x = dlg.m_nX;
        WriteAt("3", "1", "9", "9", "9", "9");
        EXPECT_EQ(recorder.messages, std::vector<std::string>{kDepth});
        EXPECT_EQ(dlg.m_nX, x);
        EXPECT_EQ(dlg.m_nB, 0);
        EXPECT_EQ(FieldText(IDC_EDIT_B), "9");
    });
}

TEST_F(PixelCommands, WritesStoreBgrAtTwentyFourAndAllFourAtThirtyTwoBits) {
    const std::string p24 = dir.Write("24.bmp", PictureOf(5, 3, Corners));
    const std::string p32 = dir.Write("32.bmp", PictureOf(5, 3, Corners, 32));
    Run([&] {
        Open(p24);
        ReadAt("0", "0");
        const COLORREF swatch = dlg.m_editColor.m_crColor;
        WriteAt("1", "1", "1", "2", "3", "4");
        EXPECT_EQ(Caption(), "像素值BGRS:1,2,3,4");
        EXPECT_EQ(dlg.m_editColor.m_crColor, swatch) << "a write leaves the swatch alone";
        ReadAt("1", "1");
        EXPECT_EQ(Bgrs(), "1,2,3,0");
        const QImage pane = Grab(dlg.m_picture); // the next paint shows it
        EXPECT_EQ(PixelAt(pane, 1, 1), RGB(3, 2, 1));
        EXPECT_EQ(PixelAt(pane, 2, 1), RGB(128, 128, 128));

        Open(p32);
        ReadAt("2", "1");
        EXPECT_EQ(Bgrs(), "128,128,128,3");
        WriteAt("2", "1", "5", "6", "7", "8");
        ReadAt("2", "1");
        EXPECT_EQ(Bgrs(), "5,6,7,8");
        EXPECT_TRUE(recorder.messages.empty());
    });
}

TEST_F(PixelCommands, TheColourDialogSetsBgrAndTheSwatchOnly) {
    const std::string path = dir.Write("c.bmp", PictureOf(5, 3, Corners, 32));
    Run([&] {
        Open(path);
        ReadAt("4", "2"); // S = 6
        const std::string caption = Caption();
        Field(IDC_EDIT_X, "1");
        recorder.colorAnswers.push_back(RGB(255, 0, 0));
        Command(IDC_CHOOSE_COLOR);
        EXPECT_EQ(recorder.colorRequests, std::vector<COLORREF>{0}) << "starts at black";
        EXPECT_EQ(Bgrs(), "0,0,255,6");
        EXPECT_EQ(FieldText(IDC_EDIT_X), "4") << "the fields are rewritten from the members";
        EXPECT_EQ(Caption(), caption);
        EXPECT_EQ(PixelAt(Grab(dlg.m_editColor), 10, 8), RGB(255, 0, 0));
        EXPECT_EQ(dlg.m_pDib->GetPixel(4, 2).rgbRed, 200) << "the bitmap waits for a write";

        Command(IDC_CHOOSE_COLOR); // cancelled
        EXPECT_EQ(Bgrs(), "0,0,255,6");
        EXPECT_EQ(dlg.m_editColor.m_crColor, RGB(255, 0, 0));
        EXPECT_TRUE(recorder.messages.empty());
    });
}

class SaveBitmap : public PixelCommands {
protected:
    void Save(const std::optional<std::string>& target) {
        recorder.fileAnswers.push_back(target);
        Command(ID_FILE_SAVE_BITMAP);
    }
};

TEST_F(SaveBitmap, WritesAThreePixelWidePictureAtSixteenBits) {
    const std::string path = dir.Write("three.bmp", PictureOf(3, 2, [](int x, int y) {
                                           return y == 0 ? RGB(255, 0, 0) : RGB(0, 0, x * 8);
                                       }));
    const std::string out = dir.Path("out.bmp");
    Run([&] {
        Open(path);
        Save(out);
        EXPECT_EQ(recorder.messages, std::vector<std::string>{"保存完毕!"});
        const auto& request = recorder.fileRequests.back();
        EXPECT_FALSE(request.open);
        EXPECT_EQ(request.flags, 0x2000u);
        EXPECT_EQ(request.filters[0].name, "(位图文件)*.bmp");
    });
    const std::string bytes = ReadFileText(out);
    ASSERT_EQ(bytes.size(), 14u + 40u + 16u);
    BITMAPFILEHEADER fh;
    BITMAPINFOHEADER ih;
    std::memcpy(&fh, bytes.data(), sizeof fh);
    std::memcpy(&ih, bytes.data() + 14, sizeof ih);
    EXPECT_EQ((std::vector<long long>{fh.bfType, fh.bfSize, fh.bfOffBits, ih.biSize, ih.biWidth,
                                      ih.biHeight, ih.biBitCount, ih.biCompression, ih.biSizeImage,
                                      ih.biClrUsed}),
              (std::vector<long long>{0x4D42, 70, 54, 40, 3, 2, 16, BI_RGB, 16, 0}));
    // Bottom row first: blue 0, 8, 16 -> 5-bit 0, 1, 2; then the red top row, 0x7C00.
    const unsigned char expected[16] = {0, 0, 1, 0, 2, 0, 0, 0, 0, 0x7C, 0, 0x7C, 0, 0x7C, 0, 0};
    EXPECT_EQ(std::memcmp(bytes.data() + 54, expected, 16), 0);
}

TEST_F(SaveBitmap, CancellingLeavesTheConversionAndSavingTwiceWritesTheSameFile) {
    const std::string path = dir.Write("c.bmp", PictureOf(5, 3, Corners));
    Run([&] {
        Open(path);
        Save(std::nullopt);
        EXPECT_EQ(dlg.m_pDib->m_pInfo->biBitCount, 16);
        WriteAt("0", "0", "1", "1", "1", "1");
        EXPECT_EQ(recorder.messages, std::vector<std::string>{kDepth});
        Save(dir.Path("one.bmp"));
        Save(dir.Path("two.bmp"));
    });
    const std::string one = ReadFileText(dir.Path("one.bmp"));
    EXPECT_EQ(one.size(), 14u + 40u + 12u * 3u);
    EXPECT_EQ(one, ReadFileText(dir.Path("two.bmp")));
}

TEST_F(SaveBitmap, AFailedWriteLeavesTheExistingFileAndNoPartialOne) {
    const std::string path = dir.Write("wide.bmp", PictureOf(300, 40, Corners));
    const std::string target = dir.Write("old.bmp", std::vector<BYTE>{'o', 'l', 'd'});
    Run([&] {
        Open(path);
        WithFileSizeLimit(4096, [&] { Save(target); });
        EXPECT_EQ(recorder.messages, (std::vector<std::string>{"write error", "保存文件失败!"}));
        recorder.messages.clear();
        Save(dir.Path("missing/dir/x.bmp"));
        EXPECT_TRUE(recorder.messages.empty()) << "a target that can't be created ends silently";
    });
    EXPECT_EQ(ReadFileText(target), "old");
    EXPECT_EQ(EntriesIn(dir.Dir()), 2u);
}

TEST_F(SaveBitmap, LongWorkShowsProgressAndStoppingItChangesNothing) {
    const std::string path = dir.Write("big.bmp", PictureOf(400, 300, Corners));
    const std::string target = dir.Write("old.bmp", std::vector<BYTE>{'o', 'l', 'd'});
    Run([&] {
        Open(path);
        EXPECT_EQ(recorder.progressTitles, std::vector<std::string>{"正在打开位图……"});
        // Stopped while converting: still 24 bits, no dialog, no word.
        recorder.stopIn = "正在转换为16位位图……";
        const size_t asked = recorder.fileRequests.size();
        Command(ID_FILE_SAVE_BITMAP);
        EXPECT_EQ(recorder.fileRequests.size(), asked);
        EXPECT_EQ(dlg.m_pDib->m_pInfo->biBitCount, 24);
        // Stopped while writing over a file: the file keeps what it had.
        recorder.stopIn = "正在保存位图……";
        Save(target);
        EXPECT_EQ(dlg.m_pDib->m_pInfo->biBitCount, 16) << "the conversion had finished";
        EXPECT_TRUE(recorder.messages.empty());
        // Not stopped: both steps shown to the end.
        recorder.stopIn.clear();
        recorder.progressTitles.clear();
        Save(dir.Path("new.bmp"));
        EXPECT_EQ(recorder.progressTitles,
                  (std::vector<std::string>{"正在转换为16位位图……", "正在保存位图……"}));
        EXPECT_EQ(recorder.lastProgress, 1.0);
        EXPECT_EQ(LastMessage(), "保存完毕!");
    });
    EXPECT_EQ(ReadFileText(target), "old");
    EXPECT_EQ(EntriesIn(dir.Dir()), 3u) << "no temporary file is left";
}

} // namespace
