// The "工具" menu: the checker's findings in a dialog and a pixel's place in the file.
#include "inspect/check_bitmap.h"
#include "inspect/describe.h"
#include "tests/gui/viewer_fixture.h"
#include "tools/check_dlg.h"

#include <filesystem>

namespace {

// bfSize one too large, two bytes after the pixels: a warning and a note.
std::vector<BYTE> WithTrailingBytes() {
    std::vector<BYTE> bytes = PictureOf(3, 2, [](int x, int y) { return RGB(x, y, 7); });
    bytes.push_back(0xAA);
    bytes.push_back(0xBB);
    bytes[2] = static_cast<BYTE>(bytes.size() + 1);
    return bytes;
}

struct Shown {
    std::string file, summary;
    std::vector<std::string> rows;
};

class ToolsCommands : public ViewerTest {
protected:
    // Runs the check command and reads what its dialog shows, when one is to come.
    std::optional<Shown> Check(bool dialogComes = true) {
        std::optional<Shown> shown;
        if (!dialogComes) {
            Command(ID_TOOLS_CHECK_BITMAP);
            return shown;
        }
        OnNextModal([&](CDialog& d) {
            auto* check = dynamic_cast<CCheckDlg*>(&d);
            ASSERT_NE(check, nullptr);
            EXPECT_EQ(FrameOf(d)->focusWidget(), WidgetOf(check->m_findings))
                << "keys go to the list";
            shown = Shown{TextOf(check->GetDlgItem(IDC_CHECK_FILE)),
                          TextOf(check->GetDlgItem(IDC_CHECK_SUMMARY)),
                          {}};
            for (HTREEITEM i = check->m_findings.GetRootItem(); i != nullptr;
                 i = check->m_findings.GetNextSiblingItem(i))
                shown->rows.push_back(check->m_findings.GetItemText(i).ToUtf8());
            PressKey(d, Qt::Key_Return);
        });
        Command(ID_TOOLS_CHECK_BITMAP);
        return shown;
    }
    std::vector<std::string> Expected(const std::vector<BYTE>& bytes) {
        std::vector<std::string> rows;
        for (const auto& f : inspect::CheckBitmap(bytes))
            rows.push_back(inspect::DescribeFinding(f));
        return rows;
    }
};

TEST_F(ToolsCommands, ChecksTheOpenFileAsItIsOnDisk) {
    const std::vector<BYTE> bytes = WithTrailingBytes();
    const std::string path = dir.Write("trail.bmp", bytes);
    Run([&] {
        Open(path);
        const auto shown = Check();
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->file, "文件：" + path);
        EXPECT_EQ(shown->summary, "共 2 条：错误 0 条，警告 1 条，提示 1 条。");
        EXPECT_EQ(shown->rows, Expected(bytes));
        ASSERT_EQ(shown->rows.size(), 2u);
        EXPECT_EQ(shown->rows[0].find("0x00000002 (2)  警告  file-size："), 0u);
        EXPECT_NE(shown->rows[1].find("trailing-data"), std::string::npos);

        Open(dir.Write("good.bmp", PictureOf(3, 2, [](int, int) { return 0; })));
        const auto good = Check();
        ASSERT_TRUE(good);
        EXPECT_EQ(good->summary, "没有发现问题：文件与它的字段一致。");
        EXPECT_TRUE(good->rows.empty());
    });
}

TEST_F(ToolsCommands, WithNoFileOpenChecksAChosenFileTheOpenCommandRefuses) {
    std::vector<BYTE> bytes = PictureOf(2, 2, [](int, int) { return RGB(1, 2, 3); });
    bytes[0] = 'X';
    const std::string refused = dir.Write("refused.bmp", bytes);
    Run([&] {
        Open(refused);
        EXPECT_EQ(LastMessage(), "Read Error!!");
        recorder.fileAnswers.assign(1, refused);
        const auto shown = Check();
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->rows, Expected(bytes));
        ASSERT_FALSE(shown->rows.empty());
        EXPECT_NE(shown->rows[0].find("错误  magic"), std::string::npos);

        const size_t said = recorder.messages.size();
        recorder.fileAnswers.assign(1, std::nullopt); // cancelled: nothing shown
        Check(false);
        EXPECT_EQ(recorder.messages.size(), said);
        recorder.fileAnswers.assign(1, dir.Path("gone.bmp"));
        Check(false);
        EXPECT_EQ(LastMessage(), "Can't Read Files!!");
    });
}

TEST_F(ToolsCommands, PixelLocationAnswersForTheFieldsXAndY) {
    const std::string path = dir.Write("trail.bmp", WithTrailingBytes());
    Run([&] {
        Command(ID_TOOLS_PIXEL_LOCATION);
        EXPECT_EQ(LastMessage(), kOpenBitmapFirstMessage);
        EXPECT_EQ(recorder.types.back(), UINT{MB_ICONEXCLAMATION}) << "an OK button only";
        Open(path);
        struct Case {
            const char *x, *y, *message;
        } cases[] = {
            // 3 pixels of 3 bytes and 3 of padding a row; the top row is stored last.
            {"2", "0",
             "像素(2,0)\n文件偏移 0x00000048 (72)\n存储行 1，行首偏移 0x00000042 (66)\n"
             "行跨度 12 字节，填充 3 字节\n像素字节 07 00 02"},
            {"0", "1",
             "像素(0,1)\n文件偏移 0x00000036 (54)\n存储行 0，行首偏移 0x00000036 (54)\n"
             "行跨度 12 字节，填充 3 字节\n像素字节 07 01 00"},
            {"3", "0", "输入的坐标超过图像大小了⊙﹏⊙b汗"},
            {"0", "-1", "输入的坐标超过图像大小了⊙﹏⊙b汗"},
            {"x", "0", "请键入一个整数。"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.x) + "," + c.y);
            Field(IDC_EDIT_X, c.x);
            Field(IDC_EDIT_Y, c.y);
            Command(ID_TOOLS_PIXEL_LOCATION);
            EXPECT_EQ(LastMessage(), c.message);
        }
        Field(IDC_EDIT_X, "0");
        std::filesystem::remove(path);
        Command(ID_TOOLS_PIXEL_LOCATION);
        EXPECT_EQ(LastMessage(), "Can't Read Files!!");
    });
}

} // namespace
