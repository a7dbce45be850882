// Open + report + first preview, timed in the real dialog (Qt offscreen): from the
// open command's start to the end of the preview's first paint, beside a plain read()
// of the whole file into a fresh buffer in the same run. Usage: open_preview FILE [RUNS]
#include "app/viewer_app.h"
#include "app/viewer_dlg.h"
#include "platform/interaction.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

class AnswerWithFile : public platform::InteractionSeam {
public:
    explicit AnswerWithFile(std::string path) : m_path(std::move(path)) {}
    int MessageBox(const CString& text, const CString&, UINT) override {
        std::fprintf(stderr, "message: %s\n", text.ToUtf8().c_str());
        return IDOK;
    }
    std::optional<std::string> ChooseFile(const FileRequest&) override { return m_path; }

private:
    std::string m_path;
};

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The limit: the whole file read into one new buffer.
double ReadLimit(const char* path) {
    const auto t0 = std::chrono::steady_clock::now();
    const int fd = ::open(path, O_RDONLY);
    const off_t size = ::lseek(fd, 0, SEEK_END);
    ::lseek(fd, 0, SEEK_SET);
    char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(size)));
    off_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, static_cast<size_t>(size - done));
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
    const auto t1 = std::chrono::steady_clock::now();
    std::free(buffer);
    return Seconds(t1 - t0);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    AnswerWithFile seam(argv[1]);
    platform::SetInteractionSeam(&seam);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;

    CViewerDlg dlg;
    theApp.m_pMainWnd = &dlg;
    std::vector<double> opens, limits;
    long peakKiB = 0;
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < runs; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            dlg.SendMessage(WM_COMMAND, ID_FILE_OPEN_BITMAP);
            dlg.m_picture.UpdateWindow();
            opens.push_back(Seconds(std::chrono::steady_clock::now() - t0));
            if (i == 0) {
                rusage usage{};
                ::getrusage(RUSAGE_SELF, &usage);
                peakKiB = usage.ru_maxrss; // before any limit run allocates its buffer
            }
            dlg.SendMessage(WM_COMMAND, ID_OPTIONS_CLEAR_CACHE);
            limits.push_back(ReadLimit(argv[1]));
        }
        dlg.EndDialog(IDCANCEL);
    });
    dlg.DoModal();
    theApp.m_pMainWnd = nullptr;
    platform::SetInteractionSeam(nullptr);

    const double open = Median(opens);
    const double limit = Median(limits);
    std::printf("open + report + first preview: median %.1f ms of %d runs\n", open * 1e3, runs);
    std::printf("read() limit:                  median %.1f ms\n", limit * 1e3);
    std::printf("ratio:                         %.2fx\n", open / limit);
    std::printf("peak memory with the file open: %ld KiB\n", peakKiB);
    return 0;
}
