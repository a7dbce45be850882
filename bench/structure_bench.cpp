// The structure view on a 2 GiB 24-bit file (sparse) and on a 12000 x 12000 RLE8 picture
// of 24 million codes: from the menu command to the first painted window, a jump to the
// last byte (its unit found in the tree) and back, the fields read for `fields`, and the
// anonymous memory the open window holds beyond the file's mapping.
#include "inspect/structure.h"
#include "platform/mapped_file.h"
#include "tools/structure_view_command.h"
#include "views/hex_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// 32768 x 21845 at 24 bits: 98304-byte rows, 2,147,450,880 bytes of pixels.
const std::string& BigFile() {
    static const std::string path = [] {
        std::string p = "/tmp/pixscope-bench-2gib.bmp";
        const std::uint32_t w = 32768, h = 21845, stride = w * 3, image = stride * h;
        unsigned char head[54] = {'B', 'M'};
        auto put = [&](int at, std::uint32_t v, int n) {
            for (int k = 0; k < n; ++k)
                head[at + k] = static_cast<unsigned char>(v >> (8 * k));
        };
        put(2, 54 + image, 4);
        put(10, 54, 4);
        put(14, 40, 4);
        put(18, w, 4);
        put(22, h, 4);
        put(26, 1, 2);
        put(28, 24, 2);
        put(34, image, 4);
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<char*>(head), sizeof head);
        if (truncate(p.c_str(), 54 + static_cast<off_t>(image)) != 0)
            std::abort();
        return p;
    }();
    return path;
}

// 12000 x 12000 at 8 bits, RLE8: each row 2000 runs of 6 and an end of line, 48 MB.
const std::string& RleFile() {
    static const std::string path = [] {
        std::string p = "/tmp/pixscope-bench-rle8.bmp";
        const std::uint32_t w = 12000, h = 12000, row = 2000 * 2 + 2, image = row * h + 2;
        std::vector<unsigned char> file(54 + 1024);
        file[0] = 'B', file[1] = 'M';
        auto put = [&](int at, std::uint32_t v, int n) {
            for (int k = 0; k < n; ++k)
                file[static_cast<std::size_t>(at + k)] = static_cast<unsigned char>(v >> (8 * k));
        };
        put(2, 54 + 1024 + image, 4);
        put(10, 54 + 1024, 4);
        put(14, 40, 4);
        put(18, w, 4);
        put(22, h, 4);
        put(26, 1, 2);
        put(28, 8, 2);
        put(30, 1, 4);
        put(34, image, 4);
        for (std::uint32_t y = 0; y < h; ++y) {
            for (int k = 0; k < 2000; ++k) {
                file.push_back(6);
                file.push_back(static_cast<unsigned char>(y + k));
            }
            file.push_back(0);
            file.push_back(0);
        }
        file.push_back(0);
        file.push_back(1);
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<char*>(file.data()), static_cast<std::streamsize>(file.size()));
        return p;
    }();
    return path;
}

const std::string& FileOf(const benchmark::State& state) {
    return state.range(0) == 0 ? BigFile() : RleFile();
}

long StatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::string(key).size());
    return -1;
}

QWidget* OpenWindow(const std::string& path) {
    OpenStructureView(path);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "structureView")
            return w;
    std::abort();
}

void Close(QWidget* window) {
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The process's anonymous memory before any window: what Qt itself takes.
long g_baseAnon = 0;

void BM_StructureViewFirstPaint(benchmark::State& state) {
    long anon = 0, file = 0;
    for (auto _ : state) {
        QWidget* window = OpenWindow(FileOf(state));
        benchmark::DoNotOptimize(window->grab()); // every pane painted once
        anon = std::max(anon, StatusKiB("RssAnon:") - g_baseAnon);
        file = std::max(file, StatusKiB("RssFile:"));
        state.PauseTiming();
        Close(window);
        state.ResumeTiming();
    }
    state.counters["anon_KiB_beyond_start"] = static_cast<double>(anon);
    state.counters["file_KiB"] = static_cast<double>(file);
}
BENCHMARK(BM_StructureViewFirstPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_StructureViewJumpToLastByteAndBack(benchmark::State& state) {
    QWidget* window = OpenWindow(FileOf(state));
    window->grab();
    auto* hex = window->findChild<views::HexView*>("hex");
    auto* tree = window->findChild<QTreeWidget*>("fields");
    std::string last;
    for (auto _ : state) {
        for (Qt::Key key : {Qt::Key_End, Qt::Key_Home}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
            QApplication::sendEvent(hex, &press);
            benchmark::DoNotOptimize(window->grab());
            if (key == Qt::Key_End)
                last = tree->currentItem()->text(0).toStdString();
        }
    }
    // The tree shows the unit the last byte is in: the top row, or the end of the stream.
    if (hex->Caret() != 0 || (last != "行 y=0" && last != "位图结束"))
        std::abort();
    state.counters["anon_KiB_beyond_start"] =
        static_cast<double>(StatusKiB("RssAnon:") - g_baseAnon);
    Close(window);
}
BENCHMARK(BM_StructureViewJumpToLastByteAndBack)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FieldsOfA2GiBFile(benchmark::State& state) {
    for (auto _ : state) {
        const platform::MappedFile file(FileOf(state));
        benchmark::DoNotOptimize(inspect::DescribeStructure(file.Bytes()));
    }
}
BENCHMARK(BM_FieldsOfA2GiBFile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    g_baseAnon = StatusKiB("RssAnon:");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(BigFile().c_str());
    std::remove(RleFile().c_str());
    return 0;
}
