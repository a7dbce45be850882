// The window layer's own rules: field exchange and the command line.
#include "app/viewer_app.h"
#include "app/viewer_dlg.h"
#include "platform/window/program_arguments.h"
#include "tests/gui/gui_support.h"

namespace {

using Framework = GuiTest;

TEST_F(Framework, TheCommandLineNamesFilesAndItsFirstDoubleDashEndsTheOptions) {
    const struct {
        std::vector<const char*> argv;
        std::vector<std::string> files;
        std::optional<std::string> structure;
    } cases[] = {
        {{"pixscope"}, {}, {}},
        {{"pixscope", "a.bmp", "b c.bmp"}, {"a.bmp", "b c.bmp"}, {}},
        {{"pixscope", "a.bmp", "--", "--help", "--"}, {"a.bmp", "--help", "--"}, {}},
        {{"pixscope", "--structure", "v5.bmp"}, {}, "v5.bmp"},
        {{"pixscope", "--", "--structure", "v5.bmp"}, {"--structure", "v5.bmp"}, {}},
    };
    for (const auto& c : cases) {
        const int argc = static_cast<int>(c.argv.size());
        EXPECT_EQ(platform::window::FilesToOpen(argc, c.argv.data()), c.files);
        EXPECT_EQ(platform::window::StructureFile(argc, c.argv.data()), c.structure);
    }
}

TEST_F(Framework, FieldTextsParseAsTheClassicFrameworkDid) {
    CViewerDlg dlg;
    theApp.m_pMainWnd = &dlg;
    const struct {
        const char* text;
        bool isByte, ok;
        int value;
    } cases[] = {
        // clang-format off
        {"0", false, true, 0},          {"00", false, true, 0},         {" 007 ", false, true, 7},
        {"\t-12", false, true, -12},    {"+5", false, true, 5},         {"", false, false, 0},
        {"   ", false, false, 0},       {"abc", false, false, 0},       {"-0", false, false, 0},
        {"+0", false, false, 0},        {"12a", false, false, 0},       {"0x10", false, false, 0},
        {"1 2", false, false, 0},       {"1.5", false, false, 0},       {"2147483648", false, false, 0},
        {"2147483647", false, true, 2147483647},  {"-2147483648", false, true, -2147483647 - 1},
        {"-99999999999", false, false, 0},
        {"0000000000000000000000000000000000000012", false, true, 12},
        {"0000000000000000000000000000000000000255", true, true, 255},
        {"0000000000000000000000000000000000000256", true, false, 0},
        {"255", true, true, 255},       {"256", true, false, 0},        {"-1", true, false, 0},
        {"3000000000", true, false, 0}, {"4294967295", true, false, 0}, {"99999999999", true, false, 0},
        {" 0", false, true, 0},
        // clang-format on
    };
    RunModal(dlg, [&] {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.text);
            recorder.messages.clear();
            dlg.m_nX = 42;
            dlg.m_nB = 42;
            SetText(dlg.GetDlgItem(IDC_EDIT_B), c.isByte ? c.text : "1");
            SetText(dlg.GetDlgItem(IDC_EDIT_X), c.isByte ? "1" : c.text);
            EXPECT_EQ(dlg.UpdateData(TRUE), c.ok ? TRUE : FALSE);
            if (c.ok) {
                EXPECT_EQ(c.isByte ? dlg.m_nB : dlg.m_nX, c.value);
                EXPECT_TRUE(recorder.messages.empty());
            } else {
                ASSERT_EQ(recorder.messages.size(), 1u);
                EXPECT_EQ(recorder.messages[0],
                          c.isByte ? "“请填入一个在0和255之间的整数。”" : "请键入一个整数。");
                // B comes before X: a bad X leaves B exchanged, a bad B leaves X alone.
                EXPECT_EQ(dlg.m_nX, 42);
                EXPECT_EQ(dlg.m_nB, c.isByte ? 42 : 1);
            }
        }
        dlg.m_nY = -3;
        dlg.UpdateData(FALSE);
        EXPECT_EQ(TextOf(dlg.GetDlgItem(IDC_EDIT_Y)), "-3");
    });
    theApp.m_pMainWnd = nullptr;
}

} // namespace
