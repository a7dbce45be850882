// Fuzz target for the window program: the input is the file the user opens, and every
// command of the main dialog runs on it, in the real dialog (Qt offscreen). Built with
// libFuzzer under clang, or with replay_main.cpp so saved inputs run as a test.
#include "app/viewer_app.h"
#include "app/viewer_dlg.h"
#include "dib/dib.h"
#include "platform/interaction.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// Saving converts and writes the whole picture and the colour table it declares, which
// can be gigabytes; inputs stay within the time limit and the disk.
constexpr std::int64_t kSavePixelBudget = std::int64_t{1} << 18;
constexpr DWORD kSaveColourBudget = DWORD{1} << 16;

// Answers every dialog: the input file to open, a fixed file to save to, red.
class Scripted : public platform::InteractionSeam {
public:
    std::string input, output;
    int MessageBox(const CString&, const CString&, UINT) override { return IDOK; }
    std::optional<std::string> ChooseFile(const FileRequest& r) override {
        return r.open ? input : output;
    }
    std::optional<COLORREF> ChooseColor(COLORREF) override { return RGB(255, 0, 0); }
};

Scripted& Seam() {
    static Scripted* seam = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "dialog_fuzzer";
        static char* argv[] = {name, nullptr};
        char dir[] = "/tmp/pixscope-fuzz-XXXXXX";
        if (::mkdtemp(dir) == nullptr)
            std::abort();
        // What the program keeps between runs goes there too, not to the user's folder.
        ::setenv("XDG_CONFIG_HOME", dir, 1);
        new QApplication(argc, argv); // lives as long as the process, as the fuzzer does
        auto* s = new Scripted;
        s->input = std::string(dir) + "/input.bmp";
        s->output = std::string(dir) + "/output.bmp";
        platform::SetInteractionSeam(s);
        return s;
    }();
    return *seam;
}

void RunCommands(CViewerDlg& dlg) {
    auto command = [&dlg](UINT id) { dlg.SendMessage(WM_COMMAND, id); };
    auto field = [&dlg](int id, int value) {
        CString text;
        text.Format("%d", value);
        dlg.GetDlgItem(id)->SetWindowText(text);
    };
    command(ID_FILE_OPEN_BITMAP);
    dlg.m_picture.UpdateWindow();
    if (!dlg.m_bOpened)
        return;
    const BITMAPINFOHEADER& h = *dlg.m_pDib->m_pInfo;
    const int w = h.biWidth, ht = h.biHeight;
    // The last column and row in 64 bits: a header may give -2^31.
    const auto last = [](std::int64_t n) {
        return static_cast<int>(std::clamp<std::int64_t>(n - 1, INT32_MIN, INT32_MAX));
    };
    const int xs[] = {0, last(w), w / 2, -1, w};
    const int ys[] = {0, last(ht), ht / 2, -1, ht};
    for (int i = 0; i < 5; ++i) {
        field(IDC_EDIT_X, xs[i]);
        field(IDC_EDIT_Y, ys[i]);
        command(IDC_READ_PIXEL);
        command(IDC_CHOOSE_COLOR);
        command(IDC_MODIFY_PIXEL);
    }
    dlg.m_picture.UpdateWindow();
    command(IDC_COPY_REPORT);
    // Magnitudes in 64 bits: a top-down picture's negative height must not pass.
    const std::int64_t area = std::abs(static_cast<std::int64_t>(w)) * std::abs(std::int64_t{ht});
    if (area <= kSavePixelBudget && h.biClrUsed <= kSaveColourBudget) {
        command(ID_FILE_SAVE_BITMAP);
        dlg.m_picture.UpdateWindow();
    }
    command(ID_OPTIONS_CLEAR_CACHE);
    dlg.m_picture.UpdateWindow();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Scripted& seam = Seam();
    FILE* f = std::fopen(seam.input.c_str(), "wb");
    if (f == nullptr)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    CViewerDlg dlg;
    theApp.m_pMainWnd = &dlg;
    QTimer::singleShot(0, [&dlg] {
        RunCommands(dlg);
        dlg.EndDialog(IDCANCEL);
    });
    dlg.DoModal();
    theApp.m_pMainWnd = nullptr;
    return 0;
}
