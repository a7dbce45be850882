// Every corpus file through the window program's own commands: open, paint, read,
// write and save. Broken files must end in a message, never in a fault.
#include "dib/dib.h"
#include "dib/pixel_rules.h"
#include "tests/corpus_manifest.h"
#include "tests/gui/viewer_fixture.h"

#include <filesystem>

namespace {

using CorpusCommands = ViewerTest;

TEST_F(CorpusCommands, EveryFileOpensOrIsRefusedAndEveryCommandSurvives) {
    const std::vector<CorpusFile> files = ReadManifest(std::string(PIXSCOPE_CORPUS) + "/bmpsuite");
    if (files.empty())
        GTEST_SKIP() << "no corpus at " << PIXSCOPE_CORPUS;
    int opened = 0, refused = 0;
    Run([&] {
        for (const CorpusFile& c : files) {
            SCOPED_TRACE(c.path);
            recorder.messages.clear();
            Open(c.path);
            EXPECT_EQ(dlg.m_bOpened != FALSE, c.accept);
            if (!dlg.m_bOpened) {
                EXPECT_EQ(recorder.messages,
                          (std::vector<std::string>{"Read error", "Read Error!!"}));
                EXPECT_EQ(PixelAt(Grab(dlg.m_picture), 0, 0), kFace);
                continue;
            }
            ++opened;
            Grab(dlg.m_picture);
            for (const char* at : {"0", "1", "-1", "100000"}) {
                Field(IDC_EDIT_X, at);
                Field(IDC_EDIT_Y, at);
                Command(IDC_READ_PIXEL);
                Field(IDC_EDIT_B, "7");
                Command(IDC_MODIFY_PIXEL);
            }
            // Saving converts; big pictures are left out to keep the run short.
            const BITMAPINFOHEADER& h = *dlg.m_pDib->m_pInfo;
            const long long area = static_cast<long long>(h.biWidth) * h.biHeight;
            if (area > 0 && area <= (1 << 22) && !dlg.m_pDib->CanConvertTo555()) {
                // Colours nothing decodes (2 or 64 bits, a zero mask): said, not saved.
                const size_t asked = recorder.fileRequests.size();
                Command(ID_FILE_SAVE_BITMAP);
                EXPECT_EQ(recorder.messages.back(), kColoursUnknownMessage);
                EXPECT_EQ(recorder.fileRequests.size(), asked);
                ++refused;
            } else if (area > 0 && area <= (1 << 22)) {
                recorder.fileAnswers.push_back(dir.Path("saved.bmp"));
                Command(ID_FILE_SAVE_BITMAP);
                EXPECT_EQ(recorder.messages.back(), "保存完毕!");
                Grab(dlg.m_picture);
                recorder.messages.clear();
                Open(dir.Path("saved.bmp"));
                EXPECT_TRUE(dlg.m_bOpened) << "what we save, we open";
            }
            Command(ID_OPTIONS_CLEAR_CACHE);
        }
    });
    EXPECT_EQ(opened, 61);
    EXPECT_EQ(refused, 6);
}

} // namespace
