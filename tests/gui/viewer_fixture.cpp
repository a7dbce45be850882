#include "tests/gui/viewer_fixture.h"

std::vector<BYTE> PictureOf(int w, int h, const std::function<COLORREF(int x, int y)>& colour,
                            int bitCount) {
    BmpFields fields;
    fields.width = w;
    fields.height = h;
    fields.bitCount = bitCount;
    const int rows = h < 0 ? -h : h;
    const DWORD stride = RowStride(w, bitCount);
    const int bytes = bitCount / 8;
    fields.pixels.assign(stride * static_cast<DWORD>(rows), 0);
    for (int y = 0; y < rows; ++y) {
        const int stored = h > 0 ? rows - 1 - y : y;
        for (int x = 0; x < w; ++x) {
            const COLORREF c = colour(x, y);
            BYTE* p =
                &fields.pixels[static_cast<DWORD>(stored) * stride + static_cast<DWORD>(x * bytes)];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
            if (bytes == 4)
                p[3] = static_cast<BYTE>(x + y);
        }
    }
    return BuildBmp(fields);
}

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
