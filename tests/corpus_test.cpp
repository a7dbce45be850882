// Every file of the third-party conformance corpus through the loading path: the
// outcome each one must have, and no fault on the way.
#include "bmp/layout.h"
#include "bmp/open_rule.h"
#include "bmp_builder.h"
#include "corpus_manifest.h"
#include "dib/dib.h"
#include "dib/dib_functions.h"
#include "platform/allocator.h"
#include "platform/cmemfile.h"
#include "report/bitmap_report.h"
#include "test_support.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class Corpus : public WithRecordedMessages {
protected:
    void SetUp() override {
        WithRecordedMessages::SetUp();
        if (!std::filesystem::exists(std::string(PIXSCOPE_CORPUS) + "/bmpsuite/MANIFEST.tsv"))
            GTEST_SKIP() << "no corpus at " << PIXSCOPE_CORPUS;
    }
};

} // namespace

TEST_F(Corpus, EveryFileHasTheOutcomeTheRulesGiveIt) {
    std::vector<CorpusFile> files = ReadManifest(std::string(PIXSCOPE_CORPUS) + "/bmpsuite");
    ASSERT_EQ(files.size(), 89u);
    int accepted = 0;
    for (const CorpusFile& c : files) {
        SCOPED_TRACE(c.path);
        recorder.messages.clear();
        CFile file;
        ASSERT_TRUE(file.Open(c.path.c_str(), CFile::modeRead | CFile::shareDenyWrite));
        CDib dib;
        BOOL ok = dib.Read(&file);
        EXPECT_EQ(ok != FALSE, c.accept); // the drawn-pixel test compares the layout model's rule
        if (!ok) {
            EXPECT_EQ(recorder.messages, std::vector<std::string>{"Read error"});
            continue;
        }
        ++accepted;
        EXPECT_TRUE(recorder.messages.empty());
        EXPECT_EQ(dib.m_fileHeader.bfType, 0x4D42);
        // The preview's size, and the report of the loaded headers.
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        HBITMAP bmp = CreateCompatibleBitmap(nullptr, 345, 234);
        dc.SelectObject(bmp);
        EXPECT_TRUE(dib.Draw(&dc, CPoint(0, 0), CSize(345, 234)));
        dc.DeleteDC();
        DeleteObject(bmp);
        BitmapReport r = ComposeReport(CString(c.path), ReportFileStatus(c.path.c_str()),
                                       dib.m_fileHeader, *dib.m_pInfo);
        EXPECT_EQ(r.lines.size(), 33u);
    }
    EXPECT_EQ(accepted, 61); // 62 pass the header check; badpalettesize's table can't fit
}

// Files at the edge of the acceptance rule: the layout model refuses exactly what the
// loader refuses, whichever depth fills the table.
TEST_F(Corpus, TheLayoutModelRefusesWhatTheLoaderRefusesAtTheEdges) {
    const struct {
        int bits;
        DWORD entries; // room in the header block for this many
    } cases[] = {{1, 2}, {1, 1}, {4, 16}, {4, 15}, {8, 256}, {8, 255}};
    for (const auto& c : cases) {
        const std::vector<BYTE> bytes =
            BmpFields{}.Bits(c.bits).OffBits(54 + 4 * c.entries).Build();
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        CDib dib;
        const bool loaded = dib.Read(&file) != FALSE;
        EXPECT_EQ(loaded, c.entries == (1u << c.bits)) << c.bits << " bits, " << c.entries;
        EXPECT_EQ(!bmp::OpenCommandRefusal(bmp::ParseFile(bytes)).has_value(), loaded)
            << c.bits << " bits, " << c.entries;
    }
}
