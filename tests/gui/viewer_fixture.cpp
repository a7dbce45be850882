#include "tests/gui/viewer_fixture.h"

#include <csignal>
#include <sys/resource.h>

void WithFileSizeLimit(unsigned long bytes, const std::function<void()>& fn) {
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
    fn();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}

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
    theApp.m_pMainWnd = nullptr;
    GuiTest::TearDown();
}

void ViewerTest::Open(const std::optional<std::string>& path) {
    recorder.fileAnswers.push_back(path);
    Command(ID_FILE_OPEN_BITMAP);
}

std::vector<HTREEITEM> ViewerTest::Children(HTREEITEM node) {
    std::vector<HTREEITEM> out;
    for (HTREEITEM i = node == nullptr ? dlg.m_tree.GetRootItem() : dlg.m_tree.GetChildItem(node);
         i != nullptr; i = dlg.m_tree.GetNextSiblingItem(i))
        out.push_back(i);
    return out;
}
