// The structure view on a 2 GiB 24-bit file (sparse): from the menu command to the first
// painted window, a jump to the last byte and back, the fields read for `fields`, and
// the anonymous memory the open window holds beyond the file's mapping.
#include "inspect/structure.h"
#include "platform/mapped_file.h"
#include "tools/structure_view_command.h"
#include "views/hex_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

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

long StatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::string(key).size());
    return -1;
}

QWidget* OpenWindow() {
    OpenStructureView(BigFile());
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
        QWidget* window = OpenWindow();
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
BENCHMARK(BM_StructureViewFirstPaint)->Unit(benchmark::kMillisecond);

void BM_StructureViewJumpToLastByteAndBack(benchmark::State& state) {
    QWidget* window = OpenWindow();
    window->grab();
    auto* hex = window->findChild<views::HexView*>("hex");
    for (auto _ : state) {
        for (Qt::Key key : {Qt::Key_End, Qt::Key_Home}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
            QApplication::sendEvent(hex, &press);
            benchmark::DoNotOptimize(hex->viewport()->grab());
        }
    }
    if (hex->Caret() != 0)
        std::abort();
    Close(window);
}
BENCHMARK(BM_StructureViewJumpToLastByteAndBack)->Unit(benchmark::kMillisecond);

void BM_FieldsOfA2GiBFile(benchmark::State& state) {
    for (auto _ : state) {
        const platform::MappedFile file(BigFile());
        benchmark::DoNotOptimize(inspect::DescribeStructure(file.Bytes()));
    }
}
BENCHMARK(BM_FieldsOfA2GiBFile)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    g_baseAnon = StatusKiB("RssAnon:");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(BigFile().c_str());
    return 0;
}
