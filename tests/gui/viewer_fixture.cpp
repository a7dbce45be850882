#include "tests/gui/viewer_fixture.h"

void ViewerTest::SetUp() {
    GuiTest::SetUp();
    theApp.m_pMainWnd = &dlg;
}

void ViewerTest::TearDown() {
    EXPECT_TRUE(recorder.fileAnswers.empty()) << "an answer was given to no dialog";
    theApp.m_pMainWnd = nullptr;
    GuiTest::TearDown();
}

void ViewerTest::Open(const std::optional<std::string>& path) {
    // A save answer no dialog took would otherwise answer this open, and this path the
    // next save: the test would write over its own input.
    EXPECT_TRUE(recorder.fileAnswers.empty()) << "an answer was given to no dialog";
    recorder.fileAnswers.assign(1, path);
    Command(ID_FILE_OPEN_BITMAP);
}

std::vector<HTREEITEM> ViewerTest::Children(HTREEITEM node) {
    std::vector<HTREEITEM> out;
    for (HTREEITEM i = node == nullptr ? dlg.m_tree.GetRootItem() : dlg.m_tree.GetChildItem(node);
         i != nullptr; i = dlg.m_tree.GetNextSiblingItem(i))
        out.push_back(i);
    return out;
}
