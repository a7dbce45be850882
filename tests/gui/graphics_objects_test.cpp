// Whatever a command, a load, a draw or a conversion creates in the graphics layer, it
// deletes: every command leaves the live objects where it found them.
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_objects.h"
#include "tests/gui/viewer_fixture.h"

#include <filesystem>

namespace {

using GraphicsObjects = ViewerTest;

TEST_F(GraphicsObjects, NoCommandLeavesAnObjectBehind) {
    std::vector<std::string> pictures;
    for (const auto& entry : std::filesystem::directory_iterator(PIXSCOPE_SAMPLES))
        if (entry.path().extension() == ".bmp")
            pictures.push_back(entry.path().string());
    ASSERT_GE(pictures.size(), 6u);
    Run([&] {
        Grab(dlg);
        // The stock objects come into being on first use and stay; a memory context
        // brings them all.
        DeleteDC(CreateCompatibleDC(nullptr));
        const std::size_t empty = platform::gdi::LiveObjectCount();
        for (const std::string& path : pictures) {
            SCOPED_TRACE(path);
            Open(path);
            ASSERT_TRUE(dlg.m_bOpened);
            Grab(dlg);
            const std::size_t loaded = platform::gdi::LiveObjectCount();
            const auto save = [&](UINT command, const char* name) {
                recorder.fileAnswers.push_back(dir.Path(name));
                Command(command);
            };
            const struct {
                const char* name;
                std::function<void()> run;
            } steps[] = {
                {"paint", [&] { Grab(dlg); }},
                {"read",
                 [&] { Field(IDC_EDIT_X, "1"), Field(IDC_EDIT_Y, "1"), Command(IDC_READ_PIXEL); }},
                {"modify", [&] { Command(IDC_MODIFY_PIXEL); }},
                {"save the report", [&] { save(IDC_SAVE_REPORT, "report.txt"); }},
                {"copy the report", [&] { Command(IDC_COPY_REPORT); }},
                {"pixel location", [&] { Command(ID_TOOLS_PIXEL_LOCATION); }},
                {"open again", [&] { Open(path), Grab(dlg); }},
                // Saving converts the picture in memory, which may drop its palette; the
                // next open brings the count back.
                {"save at 16 bits, then open",
                 [&] { save(ID_FILE_SAVE_BITMAP, "out.bmp"), Open(path), Grab(dlg); }},
            };
            for (const auto& step : steps) {
                step.run();
                EXPECT_EQ(platform::gdi::LiveObjectCount(), loaded) << step.name;
            }
            Command(ID_OPTIONS_CLEAR_CACHE);
            Grab(dlg);
            EXPECT_EQ(platform::gdi::LiveObjectCount(), empty) << "cleared";
        }
    });
}

} // namespace
