// Opening bitmaps, the report buffer and tree, clearing, and exporting the reports.
#include "dib/dib.h"
#include "platform/codepage.h"
#include "platform/common_dialogs.h"
#include "platform/window/qt_interaction.h"
#include "tests/gui/viewer_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

const char* const kNotOpened = "请先打开BMP图片o(╯□╰)o";

COLORREF Quadrants(int x, int y) {
    return x < 20 && y < 10 ? RGB(255, 0, 0) : RGB(0, 0, 255);
}

std::string Buffer(const CViewerDlg& dlg) {
    return std::string(dlg.m_pReport, static_cast<size_t>(dlg.m_nReportSize));
}

using OpenCommand = ViewerTest;

TEST_F(OpenCommand, ShowsThePictureItsPixelAndItsReportTwiceForTheSameFile) {
    const std::string path = dir.Write("测试图.bmp", PictureOf(40, 20, Quadrants));
    Run([&] {
        Open(path);
        Open(path);
        EXPECT_TRUE(recorder.messages.empty());
        ASSERT_TRUE(dlg.m_bOpened);
        const auto files = Children(nullptr);
        ASSERT_EQ(files.size(), 2u);
        for (HTREEITEM file : files) {
            EXPECT_EQ(std::string(dlg.m_tree.GetItemText(file)),
                      platform::Utf8ToGbk("测试图.bmp "));
            int image = -1, selected = -1;
            dlg.m_tree.GetItemImage(file, image, selected);
            EXPECT_EQ(image, 0);
            const auto groups = Children(file);
            ASSERT_EQ(groups.size(), 4u);
            const size_t items[] = {5, 5, 11, 7};
            for (size_t g = 0; g < 4; ++g) {
                EXPECT_EQ(Children(groups[g]).size(), items[g]);
                dlg.m_tree.GetItemImage(groups[g], image, selected);
                EXPECT_EQ(image, static_cast<int>(g) + 1);
                EXPECT_EQ(dlg.m_tree.GetItemState(groups[g], TVIS_EXPANDED), 0u);
            }
        }
        // Two identical reports one after the other, zeros after them.
        const int half = dlg.m_nReportLen / 2;
        ASSERT_GT(half, 1000);
        const std::string buffer = Buffer(dlg);
        EXPECT_EQ(buffer.substr(0, static_cast<size_t>(half)),
                  buffer.substr(static_cast<size_t>(half), static_cast<size_t>(half)));
        EXPECT_EQ(buffer.find_first_not_of('\0', static_cast<size_t>(dlg.m_nReportLen)),
                  std::string::npos);
        EXPECT_NE(buffer.find(static_cast<LPCTSTR>(CString(platform::Utf8ToGb18030(path)))),
                  std::string::npos);

        EXPECT_EQ(FieldText(IDC_EDIT_R), "255");
        EXPECT_EQ(FieldText(IDC_EDIT_B), "0");
        EXPECT_EQ(Caption(), "像素值BGRS:0,0,ff,0");
        EXPECT_EQ(dlg.m_editColor.m_crColor, RGB(255, 0, 0));

        const QImage pane = Grab(dlg.m_picture);
        EXPECT_EQ(PixelAt(pane, 0, 0), RGB(255, 0, 0));
        EXPECT_EQ(PixelAt(pane, 39, 19), RGB(0, 0, 255));
        EXPECT_EQ(PixelAt(pane, 40, 0), kFace) << "drawn at natural size, top-left";
        auto* tree = static_cast<QTreeWidget*>(WidgetOf(dlg.m_tree));
        EXPECT_EQ(tree->topLevelItemCount(), 2);
        EXPECT_EQ(tree->topLevelItem(0)->text(0).toStdString(), "测试图.bmp ");
        SavePng(Grab(dlg), "main-dialog-opened");
    });
    ASSERT_EQ(recorder.fileRequests.size(), 2u);
    const auto& request = recorder.fileRequests[0];
    EXPECT_TRUE(request.open);
    EXPECT_EQ(request.flags, OFN_FILEMUSTEXIST);
    EXPECT_EQ(request.defaultExt, "bmp");
    EXPECT_EQ(request.initialName, "*.bmp");
    ASSERT_EQ(request.filters.size(), 1u);
    EXPECT_EQ(request.filters[0].name, "(位图文件)*.bmp");
    EXPECT_EQ(request.filters[0].patterns, std::vector<std::string>{"*.bmp"});
}

TEST_F(OpenCommand, ACancelledOpenUnloadsThePictureAndEveryCommandRefuses) {
    const std::string path = dir.Write("a.bmp", PictureOf(8, 8, Quadrants));
    Run([&] {
        Open(path);
        const int len = dlg.m_nReportLen;
        Open(std::nullopt);
        EXPECT_FALSE(dlg.m_bOpened);
        EXPECT_EQ(PixelAt(Grab(dlg.m_picture), 0, 0), kFace);
        EXPECT_EQ(dlg.m_nReportLen, len);
        EXPECT_EQ(Children(nullptr).size(), 1u);
        recorder.messages.clear();
        for (UINT id : {UINT{IDC_SAVE_REPORT}, UINT{IDC_COPY_REPORT}, UINT{IDC_READ_PIXEL},
                        UINT{IDC_MODIFY_PIXEL}, UINT{IDC_CHOOSE_COLOR}, ID_FILE_SAVE_BITMAP})
            Command(id);
        EXPECT_EQ(recorder.messages, std::vector<std::string>(6, kNotOpened));
        EXPECT_EQ(recorder.types, std::vector<UINT>(6, MB_ICONEXCLAMATION));
        EXPECT_EQ(recorder.fileRequests.size(), 2u) << "no dialog was shown";
        // Clearing without a bitmap still clears the buffer and the tree.
        Command(ID_OPTIONS_CLEAR_CACHE);
        EXPECT_EQ(dlg.m_nReportLen, 0);
        EXPECT_EQ(dlg.m_tree.GetCount(), 0u);
        EXPECT_EQ(recorder.messages.size(), 6u);
    });
}

TEST_F(OpenCommand, AFileThatIsNotABitmapIsRefusedTwiceAndLeavesThePaneEmpty) {
    const std::string good = dir.Write("a.bmp", PictureOf(8, 8, Quadrants));
    const std::string text = dir.Write("notes.bmp", std::vector<BYTE>(100, 'x'));
    Run([&] {
        Open(good);
        const int len = dlg.m_nReportLen;
        recorder.messages.clear();
        Open(text);
        EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Read error", "Read Error!!"}));
        EXPECT_TRUE(dlg.m_pDib->IsEmpty());
        EXPECT_EQ(PixelAt(Grab(dlg.m_picture), 0, 0), kFace);
        EXPECT_EQ(dlg.m_nReportLen, len);
        EXPECT_EQ(Children(nullptr).size(), 1u);
        recorder.messages.clear();
        Open(dir.Path("missing.bmp"));
        EXPECT_EQ(recorder.messages, std::vector<std::string>{"Can't Read Files!!"});
    });
}

TEST_F(OpenCommand, ReadsThePositionInTheFieldsOrLeavesThemAsTheyWere) {
    const std::string big = dir.Write("big.bmp", PictureOf(40, 20, Quadrants));
    const std::string small = dir.Write("small.bmp", PictureOf(4, 4, Quadrants));
    Run([&] {
        Field(IDC_EDIT_X, "abc"); // said, and the previous position read
        Open(big);
        EXPECT_EQ(recorder.messages, std::vector<std::string>{"请键入一个整数。"});
        EXPECT_EQ(FieldText(IDC_EDIT_X), "0");
        EXPECT_EQ(FieldText(IDC_EDIT_R), "255");
        EXPECT_GT(dlg.m_nReportLen, 0);
        recorder.messages.clear();
        Field(IDC_EDIT_X, "30");
        Open(big);
        EXPECT_EQ(FieldText(IDC_EDIT_B), "255");
        Open(small); // outside the new picture: the fields stay as they were
        EXPECT_TRUE(recorder.messages.empty());
        EXPECT_EQ(FieldText(IDC_EDIT_B), "255");
        EXPECT_EQ(Caption(), "像素值BGRS:ff,0,0,0");
        EXPECT_EQ(dlg.m_editColor.m_crColor, RGB(0, 0, 255));
    });
}

TEST_F(OpenCommand, AFullBufferCutsTheReportOnceWhereTheTreeRuleSays) {
    // A short path, so that fourteen reports fit and the fifteenth overflows.
    std::string shortDir = "/tmp/pXXXXXX";
    ASSERT_NE(::mkdtemp(shortDir.data()), nullptr);
    const std::string path = shortDir + "/s.bmp";
    {
        const std::vector<BYTE> bytes = PictureOf(1, 1, Quadrants);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    Run([&] {
        int opens = 0;
        int before = 0;
        while (recorder.messages.empty() && opens < 40) {
            before = dlg.m_nReportLen;
            Open(path);
            ++opens;
        }
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0], "信息缓存不足，请通过“选项”菜单中的“清空缓存”之后再试!");
        EXPECT_EQ(opens, 15);
        EXPECT_TRUE(dlg.m_bOpened) << "the bitmap is loaded all the same";

        // The fifteenth report's first nine lines fit in what was left (its path is as
        // long as every other's); its tree holds the two groups they begin, whole.
        EXPECT_EQ(dlg.m_nReportLen - before, 271);
        const auto files = Children(nullptr);
        ASSERT_EQ(files.size(), static_cast<size_t>(opens));
        std::vector<size_t> items;
        for (HTREEITEM g : Children(files.back()))
            items.push_back(Children(g).size());
        EXPECT_EQ(items, (std::vector<size_t>{5, 5}));

        // Clearing empties both stores and the pane, and the exports refuse again.
        Command(ID_OPTIONS_CLEAR_CACHE);
        EXPECT_EQ(dlg.m_nReportLen, 0);
        EXPECT_EQ(Buffer(dlg), std::string(15480, '\0'));
        EXPECT_EQ(dlg.m_tree.GetCount(), 0u);
        EXPECT_FALSE(dlg.m_bOpened);
        EXPECT_EQ(PixelAt(Grab(dlg.m_picture), 0, 0), kFace);
        EXPECT_EQ(dlg.m_editColor.m_crColor, RGB(255, 0, 0)) << "the swatch keeps its colour";
        recorder.messages.clear();
        Command(IDC_SAVE_REPORT);
        Command(IDC_COPY_REPORT);
        EXPECT_EQ(recorder.messages, std::vector<std::string>(2, kNotOpened));
    });
    std::filesystem::remove_all(shortDir);
}

using ReportExport = ViewerTest;

TEST_F(ReportExport, AFailedSaveLeavesTheExistingFileAndNoPartialOne) {
    const std::string picture = dir.Write("a.bmp", PictureOf(8, 8, Quadrants));
    const std::string target = dir.Write("report.txt", std::vector<BYTE>{'k', 'e', 'e', 'p'});
    Run([&] {
        Open(picture);
        // Writes past 4 KiB fail, as on a full disk.
        WithFileSizeLimit(4096, [&] {
            recorder.fileAnswers.push_back(target);
            Command(IDC_SAVE_REPORT);
        });
        EXPECT_EQ(LastMessage(), "保存文件失败!");
        recorder.fileAnswers.push_back(dir.Path("no/such/dir/r.txt"));
        Command(IDC_SAVE_REPORT);
        EXPECT_EQ(LastMessage(), "保存文件失败,无法打开!");
    });
    EXPECT_EQ(ReadFileText(target), "keep");
    EXPECT_EQ(EntriesIn(dir.Dir()), 2u) << "the picture and the old report, nothing else";
}

TEST_F(ReportExport, CopyingPutsTheWholeBlockAndOneZeroOnTheClipboard) {
    const std::string picture = dir.Write("a.bmp", PictureOf(8, 8, Quadrants));
    std::string buffer;
    Run([&] {
        Open(picture);
        Open(picture);
        Command(IDC_COPY_REPORT);
        EXPECT_EQ(LastMessage(), "位图信息已经复制到剪贴板了\\(^o^)/");
        buffer = Buffer(dlg);
    });
    ASSERT_EQ(recorder.clipboard.size(), 1u);
    const std::string& block = recorder.clipboard[0];
    ASSERT_EQ(block.size(), 15481u);
    EXPECT_EQ(block.substr(0, 15480), buffer);
    EXPECT_EQ(block.back(), '\0');

    // What the desktop gets: Unicode text up to the first zero, and the exact bytes.
    platform::window::QtInteraction desktop;
    std::string full(15480, 'a');
    full.replace(0, 6, platform::Utf8ToGbk("位图\r\n"));
    full.push_back('\0');
    desktop.SetClipboardText(full);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text().toStdString(), "位图\r\n" + std::string(15480 - 6, 'a'));
    EXPECT_EQ(data->data("text/plain;charset=GBK").toStdString(), full);
}

} // namespace
