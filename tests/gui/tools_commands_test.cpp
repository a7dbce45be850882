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

} // namespace
