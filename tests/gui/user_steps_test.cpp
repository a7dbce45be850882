// The main dialog's commands as the user runs them, each flow a table of steps: what
// the user does, what the dialog then shows, and the messages it says on the way.
#include "dib/dib.h"
#include "platform/codepage.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_objects.h"
#include "tests/gui/viewer_fixture.h"
#include "tools/check_dlg.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <utility>

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

const char* const kOutside = "输入的坐标超过图像大小了⊙﹏⊙b汗";
const char* const kDepth = "目前只支持24/32位真彩位图！(⊙o⊙)…";
const char* const kNotOpened = "请先打开BMP图片o(╯□╰)o";
const char* const kNotInteger = "请键入一个整数。";
const char* const kSaved = "保存完毕!";
const char* const kCopied = "位图信息已经复制到剪贴板了\\(^o^)/";

// Each corner its own colour, the rest grey.
COLORREF Corners(int x, int y) {
    if (x == 0 && y == 0)
        return RGB(1, 2, 3);
    if (x == 4 && y == 0)
        return RGB(10, 20, 30);
    if (x == 0 && y == 2)
        return RGB(100, 110, 120);
    if (x == 4 && y == 2)
        return RGB(200, 210, 255);
    return RGB(128, 128, 128);
}

COLORREF Quadrants(int x, int y) {
    return x < 20 && y < 10 ? RGB(255, 0, 0) : RGB(0, 0, 255);
}

// bfSize one too large, two bytes after the pixels: a warning and a note.
std::vector<BYTE> WithTrailingBytes() {
    std::vector<BYTE> bytes = PictureOf(3, 2, [](int x, int y) { return RGB(x, y, 7); });
    bytes.push_back(0xAA);
    bytes.push_back(0xBB);
    bytes[2] = static_cast<BYTE>(bytes.size() + 1);
    return bytes;
}

// A 32-bit picture with 5-6-5 masks in its low half.
std::vector<BYTE> Mask565() {
    BmpFields f = BmpFields{}.Size(2, 2).Bits(32).Compression(BI_BITFIELDS);
    f.gap = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    return f.Build();
}

constexpr const char* kUnsaved = "位图已修改，尚未保存。仍要退出吗？";

// One step: `act` is words run in order. Actions: `X=4` (any of X Y B G R S) types a
// field; `read`, `write`, `copy`, `clear`, `check`, `where`, `exit`, `closebox`, `key:F1`,
// `key:Escape`, `answer:yes|no` (the next question box); `open:F`, `savebmp:F`, `savereport:F` and
// `colour:r.g.b` answer their dialog (`-` cancels; no answer: no dialog may come); `limit` runs the
// next action on a nearly full disk; `stop:T` stops the long work titled T. Checks start with `?`.
// `said` is every message of the step; one ending in "*" need only start so, one starting with
// "*" need only hold the rest.
struct Step {
    const char* act;
    std::vector<std::string> said = {};
};

struct Flow {
    const char* name;
    std::vector<Step> steps;
};

void PrintTo(const Flow& flow, std::ostream* os) {
    *os << flow.name;
}

const Flow kFlows[] = {
    {"StartsWithAnEmptyPaneABlackSwatchZeroFieldsAndItsMenus",
     {{"?title=Pixscope ?pane=0.0:face ?pane=344.233:face ?swatch=0.0.0 ?X=0 ?Y=0 ?B=0 ?G=0 ?R=0 "
       "?S=0"},
      {"?menu=文件/打开位图文件,文件/最近打开的文件,文件/保存修改的位图,文件/退出,选项/清空缓存,"
       "选项/打开计算器,"
       "帮助/使用说明,工具/检查位图文件,工具/像素位置,工具/结构视图,工具/比较两个位图"}}},
    // Each ends the dialog (the sanitizer build fails on a report buffer freed twice);
    // F1 only says where help is, and nothing checks the fields on the way out.
    {"ExitEndsTheDialog", {{"open:a.bmp exit ?ended"}}},
    {"TheCloseBoxEndsTheDialog", {{"closebox ?ended"}}},
    // A written pixel not saved: the caption says so, and every way out asks first.
    {"AnUnsavedWriteIsAskedAboutBeforeTheProgramEnds",
     {{"open:c.bmp ?title=c.bmp~—~Pixscope X=0 Y=0 B=9 write ?title=*c.bmp~—~Pixscope"},
      {"answer:no exit answer:no key:Escape answer:no closebox ?running",
       {kUnsaved, kUnsaved, kUnsaved}},
      {"savebmp:s.bmp ?title=c.bmp~—~Pixscope exit ?ended", {kSaved}}}},
    {"F1SaysWhereHelpIsAndEscapeEndsTheDialog",
     {{"X=abc key:F1", {"没有帮助文件。使用方法请见菜单“帮助”→“使用说明”。"}},
      {"key:Escape ?ended"}}},
    {"ReadsTheFourCornersFromTheTop",
     {{"open:c.bmp X=0 Y=0 read ?bgrs=3,2,1,0 ?caption=像素值BGRS:3,2,1,0"},
      {"X=4 Y=0 read ?bgrs=30,20,10,0 ?caption=像素值BGRS:1e,14,a,0"},
      {"X=0 Y=2 read ?bgrs=120,110,100,0 ?caption=像素值BGRS:78,6e,64,0"},
      {"X=4 read ?bgrs=255,210,200,0 ?caption=像素值BGRS:ff,d2,c8,0 ?swatch=200.210.255"},
      // Not a number: said, and the previous position read again.
      {"Y=0 read X=abc read ?X=4 ?bgrs=30,20,10,0", {kNotInteger}}}},
    {"PositionsOutsideThePictureGetTheBoundMessageAndKeepWhatWasTyped",
     {{"open:c.bmp X=5 Y=0 read write ?X=5", {kOutside, kOutside}},
      {"X=0 Y=3 read write ?Y=3", {kOutside, kOutside}},
      {"X=-1 Y=0 read write", {kOutside, kOutside}},
      {"X=0 Y=-1 read write", {kOutside, kOutside}},
      // A top-down picture answers the same pixels, counted from the top.
      {"open:td.bmp X=4 Y=2 read ?bgrs=255,210,200,0 B=1 G=2 R=3 S=4 write read ?bgrs=1,2,3,0"},
      {"X=0 Y=3 read", {kOutside}}}},
    {"WritingAnEightBitPictureIsRefusedBeforeTheFieldsAreRead",
     {{"open:eight.bmp X=abc B=9 write ?X=abc ?B=9", {kDepth}}}},
    {"WritesStoreBgrAtTwentyFourAndAllFourAtThirtyTwoBits",
     {{"open:c.bmp X=0 Y=0 read X=1 Y=1 B=1 G=2 R=3 S=4 write ?caption=像素值BGRS:1,2,3,4"},
      // What was written shows at once, in the swatch and the preview.
      {"?swatch=3.2.1 read ?bgrs=1,2,3,0 ?pane=1.1:3.2.1 ?pane=2.1:128.128.128"},
      {"open:c32.bmp X=2 Y=1 read ?bgrs=128,128,128,3 B=5 G=6 R=7 S=8 write read ?bgrs=5,6,7,8"}}},
    {"TheColourDialogSetsBgrAndTheSwatchOnly",
     {{"open:c32.bmp X=4 Y=2 read X=1 colour:255.0.0 ?asked-colour=0.0.0 ?bgrs=0,0,255,6 ?X=4"},
      {"?caption=像素值BGRS:ff,d2,c8,6 ?swatch=255.0.0"},
      {"colour:- ?bgrs=0,0,255,6 ?swatch=255.0.0"},
      {"read ?bgrs=255,210,200,6"}}}, // the bitmap waited for a write
    {"SavingWritesSixteenBitsAndCancellingKeepsTheConversion",
     {{"open:three.bmp savebmp:out.bmp ?size=out.bmp:70 ?filter=(位图文件)*.bmp", {kSaved}},
      {"open:c.bmp savebmp:- ?bits=16"},
      {"X=0 Y=0 write", {kDepth}},
      {"savebmp:one.bmp savebmp:two.bmp ?size=one.bmp:90 ?same=one.bmp:two.bmp",
       {kSaved, kSaved}}}},
    {"AFailedSaveLeavesTheExistingFileAndNoPartialOne",
     {{"open:big.bmp limit savebmp:old.bmp ?file=old.bmp:old", {"write error", "保存文件失败!"}},
      {"savebmp:missing/dir/x.bmp ?stray"}, // a target that can't be created ends silently
      {"limit savereport:report.txt ?file=report.txt:keep", {"保存文件失败!"}},
      {"savereport:no/such/dir/r.txt ?stray", {"保存文件失败,无法打开!"}}}},
    // Memory runs out converting 3000000 x 2000000 pixels: the save ends, the dialog goes on.
    // A save whose file would not read back says why, asks for no file and converts
    // nothing; a write goes through the masks, or is refused where they can't hold it.
    {"SavesAndWritesThatWouldNotReadBackAreRefusedWithTheirReason",
     {{"open:huge.bmp savebmp ?asked=1 ?bits=24",
       {"像素数据不完整：biSizeImage 只有 4294967280 字节*"}},
      {"open:mask565.bmp X=0 Y=0 B=10 G=20 R=30 write ?caption=像素值BGRS:0,0,0,0",
       {"红色的掩码 0x0000F800 只有 5 位，写不出 30：它能存下的最接近的值是 24 和 "
        "33。像素没有修改。"}},
      {"B=8 G=20 R=33 write read ?bgrs=8,20,33,0 savebmp:m.bmp", {kSaved}}}},
    {"LongWorkShowsProgressAndStoppingItChangesNothing",
     {{"open:big.bmp ?progress=正在打开位图……"},
      {"stop:正在转换为16位位图…… savebmp ?asked=1 ?bits=24"},
      {"stop:正在保存位图…… savebmp:old.bmp ?bits=16 ?file=old.bmp:old"},
      {"stop: savebmp:new.bmp ?progress=正在转换为16位位图……|正在保存位图…… ?stray", {kSaved}}}},
    {"OpenShowsThePictureItsPixelAndItsReportTwiceForTheSameFile",
     {{"open:测试图.bmp open:测试图.bmp ?filter=(位图文件)*.bmp ?files=2 ?groups=5,5,11,7 ?twice"},
      {"?R=255 ?B=0 ?caption=像素值BGRS:0,0,ff,0 ?swatch=255.0.0"},
      {"?pane=0.0:255.0.0 ?pane=39.19:0.0.255 ?pane=40.0:face"}}}, // natural size, top-left
    {"ATopDownPictureShowsUprightScaledByItsHeight",
     {{"open:tall.bmp ?pane=10.0:255.255.0 ?pane=10.115:255.255.0 ?pane=10.118:0.0.0"},
      {"?pane=344.233:0.0.0"}}},
    {"ACancelledOpenUnloadsThePictureAndEveryCommandRefuses",
     {{"open:a.bmp open:- ?opened=0 ?pane=0.0:face ?files=1"},
      {"savereport copy read write colour savebmp ?asked=2",
       std::vector<std::string>(6, kNotOpened)},
      {"clear ?report=0 ?files=0"}}}, // without a bitmap too
    {"AFileThatIsNotABitmapIsRefusedTwiceAndLeavesThePaneEmpty",
     {{"open:a.bmp"},
      {"open:notes.bmp ?opened=0 ?pane=0.0:face ?files=1 ?title=Pixscope",
       {"Read error", "Read Error!!",
        "文件不以“BM”开头，不是 BMP 位图文件：打开命令拒绝它。\n\n用结构视图打开它吗？"}},
      {"open:missing.bmp", {"Can't Read Files!!"}}}},
    {"OpenReadsThePositionInTheFieldsOrLeavesThemAsTheyWere",
     {{"X=abc open:测试图.bmp ?X=0 ?R=255", {kNotInteger}},
      {"X=30 open:测试图.bmp ?B=255"},
      {"open:small.bmp ?B=255 ?caption=像素值BGRS:ff,0,0,0 ?swatch=0.0.255"}}},
    // Every command on every depth; as after every flow, no graphics object is left.
    {"EveryDepthTakesEveryCommand",
     {{"open:sample-1bit.bmp X=1 Y=1 read write where copy savereport:r.txt savebmp:o.bmp",
       {kDepth, "像素(1,1)*", kCopied, kSaved, kSaved}},
      {"open:sample-4bit.bmp read write where copy savereport:r.txt savebmp:o.bmp",
       {kDepth, "像素(1,1)*", kCopied, kSaved, kSaved}},
      {"open:sample-8bit.bmp read write where copy savereport:r.txt savebmp:o.bmp",
       {kDepth, "像素(1,1)*", kCopied, kSaved, kSaved}},
      {"open:sample-16bit.bmp read write where copy savereport:r.txt savebmp:o.bmp",
       {kDepth, "像素(1,1)*", kCopied, kSaved, kSaved}},
      {"open:sample-24bit.bmp read write where copy savereport:r.txt savebmp:o.bmp",
       {"像素(1,1)*", kCopied, kSaved, kSaved}},
      {"open:sample-32bit.bmp read write where copy savereport:r.txt savebmp:o.bmp",
       {"像素(1,1)*", kCopied, kSaved, kSaved}}}},
    {"ChecksTheOpenFileAsItIsOnDisk",
     {{"open:trail.bmp check",
       {"共 2 条：错误 0 条，警告 1 条，提示 1 条。", "0x00000002 (2)  警告  file-size：*",
        "*trailing-data*"}},
      {"open:a.bmp check", {"没有发现问题：文件与它的字段一致。"}}}},
};

class UserSteps : public ViewerTest, public ::testing::WithParamInterface<Flow> {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        const std::map<std::string, std::vector<BYTE>> files = {
            {"c.bmp", PictureOf(5, 3, Corners)},
            {"c32.bmp", PictureOf(5, 3, Corners, 32)},
            {"td.bmp", PictureOf(5, -3, Corners)},
            {"three.bmp", PictureOf(3, 2, Corners)},
            {"big.bmp", PictureOf(400, 300, Corners)},
            {"huge.bmp",
             BmpFields{}.Size(3000000, 2000000).SizeImage(0xFFFFFFF0u).Pixels({1}).Build()},
            {"tall.bmp", PictureOf(690, -468, [](int, int y) { return y < 234 ? 0xFFFF : 0; })},
            {"a.bmp", PictureOf(8, 8, Quadrants)},
            {"测试图.bmp", PictureOf(40, 20, Quadrants)},
            {"small.bmp", PictureOf(4, 4, Quadrants)},
            {"trail.bmp", WithTrailingBytes()},
            {"notes.bmp", std::vector<BYTE>(100, 'x')},
            {"old.bmp", {'o', 'l', 'd'}},
            {"report.txt", {'k', 'e', 'e', 'p'}},
            {"eight.bmp", BmpFields{}.Bits(8).Table(std::vector<RGBQUAD>(256)).Build()},
            {"mask565.bmp", Mask565()}};
        for (const auto& [name, bytes] : files)
            known.insert(name), dir.Write(name, bytes);
        for (const auto& entry : std::filesystem::directory_iterator(PIXSCOPE_SAMPLES))
            if (entry.path().extension() == ".bmp")
                known.insert(entry.path().filename()),
                    dir.Write(entry.path().filename(), ReadFileBytes(entry.path()));
    }

    void Do(const std::string& word) {
        const size_t colon = word.find(':');
        const std::string verb = word.substr(0, colon);
        const std::string arg = colon == std::string::npos ? "" : word.substr(colon + 1);
        if (word.size() >= 2 && word[1] == '=' && kIds.count(word[0])) {
            Field(kIds.at(word[0]), word.c_str() + 2);
            return;
        }
        const auto answerFile = [&] {
            if (colon != std::string::npos)
                recorder.fileAnswers.push_back(arg == "-" ? std::nullopt
                                                          : std::optional(dir.Path(arg)));
            known.insert(arg);
        };
        std::function<void()> run;
        if (verb == "stop")
            return void(recorder.stopIn = arg);
        if (verb == "answer")
            return void(recorder.boxAnswers.push_back(arg == "yes" ? IDYES : IDNO));
        if (verb == "limit")
            return void(limited = true);
        if (verb == "key")
            return PressKey(dlg, arg == "F1" ? Qt::Key_F1 : Qt::Key_Escape);
        if (verb == "closebox")
            return FrameOf(dlg)->close(), QApplication::processEvents();
        if (verb == "open")
            run = [&] { Open(arg == "-" ? std::nullopt : std::optional(dir.Path(arg))); };
        else if (verb == "savebmp")
            answerFile(), run = [&] { Command(ID_FILE_SAVE_BITMAP); };
        else if (verb == "savereport")
            answerFile(), run = [&] { Command(IDC_SAVE_REPORT); };
        else if (verb == "colour") {
            if (!arg.empty())
                recorder.colorAnswers.push_back(arg == "-" ? std::nullopt
                                                           : std::optional(Colour(arg)));
            run = [&] { Command(IDC_CHOOSE_COLOR); };
        } else if (verb == "check")
            run = [&] { Check(); };
        else
            run = [&, id = kCommands.at(verb)] { Command(id); };
        if (std::exchange(limited, false))
            WithFileSizeLimit(4096, run);
        else
            run();
    }

    void Expect(const std::string& check) {
        SCOPED_TRACE(check);
        const size_t eq = check.find('=');
        const std::string what = check.substr(1, eq - 1);
        const std::string want = eq == std::string::npos ? "" : check.substr(eq + 1);
        const auto file = [&] { return want.substr(0, want.find(':')); };
        const auto after = [&] { return want.substr(want.find(':') + 1); };
        if (what.size() == 1)
            EXPECT_EQ(FieldText(kIds.at(what[0])), want);
        else if (what == "bgrs")
            EXPECT_EQ(FieldText(IDC_EDIT_B) + "," + FieldText(IDC_EDIT_G) + "," +
                          FieldText(IDC_EDIT_R) + "," + FieldText(IDC_EDIT_S),
                      want);
        else if (what == "caption")
            EXPECT_EQ(Caption(), want);
        else if (what == "title") // "~" for a space
            EXPECT_EQ(TextOf(&dlg), std::regex_replace(want, std::regex("~"), " "));
        else if (what == "ended")
            EXPECT_FALSE(dlg.IsRunningModal());
        else if (what == "running")
            EXPECT_TRUE(dlg.IsRunningModal());
        else if (what == "menu") {
            std::string items;
            CMenu* bar = dlg.GetMenu();
            for (UINT p = 0; p < bar->GetMenuItemCount(); ++p) {
                CString title, text;
                bar->GetMenuString(p, title, MF_BYPOSITION);
                CMenu* popup = bar->GetSubMenu(static_cast<int>(p));
                for (UINT i = 0; i < popup->GetMenuItemCount(); ++i) {
                    popup->GetMenuString(i, text, MF_BYPOSITION);
                    items += (items.empty() ? "" : ",") + title.ToUtf8() + "/" + text.ToUtf8();
                }
            }
            EXPECT_EQ(items, want);
        } else if (what == "swatch") {
            EXPECT_EQ(dlg.m_editColor.m_crColor, Colour(want));
            EXPECT_EQ(PixelAt(Grab(dlg.m_editColor), 10, 8), Colour(want));
            EXPECT_EQ(PixelAt(Grab(dlg.m_editColor), 42, 18), Colour(want)) << "inside the border";
        } else if (what == "pane") {
            int x = 0, y = 0;
            std::sscanf(want.c_str(), "%d.%d", &x, &y);
            EXPECT_EQ(PixelAt(Grab(dlg.m_picture), x, y),
                      after() == "face" ? kFace : Colour(after()));
        } else if (what == "opened")
            EXPECT_EQ(dlg.m_bOpened && !dlg.m_pDib->IsEmpty(), want == "1");
        else if (what == "bits")
            EXPECT_EQ(std::to_string(dlg.m_pDib->m_pInfo->biBitCount), want);
        else if (what == "report")
            EXPECT_EQ(std::to_string(dlg.m_nReportLen), want);
        else if (what == "asked")
            EXPECT_EQ(std::to_string(recorder.fileRequests.size()), want);
        else if (what == "asked-colour")
            EXPECT_EQ(recorder.colorRequests, std::vector<COLORREF>{Colour(want)});
        else if (what == "filter")
            EXPECT_EQ(recorder.fileRequests.back().filters.at(0).name, want);
        else if (what == "files")
            EXPECT_EQ(std::to_string(Children(nullptr).size()), want);
        else if (what == "groups") {
            std::string sizes;
            for (HTREEITEM g : Children(Children(nullptr).back()))
                sizes += (sizes.empty() ? "" : ",") + std::to_string(Children(g).size());
            EXPECT_EQ(sizes, want);
        } else if (what == "size")
            EXPECT_EQ(std::to_string(ReadFileBytes(dir.Path(file())).size()), after());
        else if (what == "file")
            EXPECT_EQ(ReadFileText(dir.Path(file())), after());
        else if (what == "same")
            EXPECT_EQ(ReadFileText(dir.Path(file())), ReadFileText(dir.Path(after())));
        else if (what == "progress") {
            std::string titles;
            for (size_t i = progressFrom; i < recorder.progressTitles.size(); ++i)
                titles += (titles.empty() ? "" : "|") + recorder.progressTitles[i];
            EXPECT_EQ(titles, want);
        } else if (what == "stray") {
            for (const auto& entry : std::filesystem::directory_iterator(dir.Dir()))
                EXPECT_TRUE(known.count(entry.path().filename().string())) << entry.path();
        } else if (what == "twice") {
            // Two identical reports one after the other, zeros after them.
            const std::string buffer = Buffer();
            const size_t half = static_cast<size_t>(dlg.m_nReportLen) / 2;
            EXPECT_EQ(buffer.substr(0, half), buffer.substr(half, half));
            EXPECT_EQ(buffer.find_first_not_of('\0', 2 * half), std::string::npos);
            EXPECT_THAT(buffer.substr(0, half), HasSubstr(platform::Utf8ToGb18030(dir.Dir())));
        } else
            ADD_FAILURE() << "no such check";
    }

    // Runs the check command and says what its dialog shows.
    void Check() {
        OnNextModal([&](CDialog& d) {
            auto* check = dynamic_cast<CCheckDlg*>(&d);
            ASSERT_NE(check, nullptr);
            EXPECT_EQ(FrameOf(d)->focusWidget(), WidgetOf(check->m_findings)) << "keys: the list";
            EXPECT_EQ(TextOf(check->GetDlgItem(IDC_CHECK_FILE)), "文件：" + opened);
            recorder.messages.push_back(TextOf(check->GetDlgItem(IDC_CHECK_SUMMARY)));
            for (HTREEITEM i = check->m_findings.GetRootItem(); i != nullptr;
                 i = check->m_findings.GetNextSiblingItem(i))
                recorder.messages.push_back(check->m_findings.GetItemText(i).ToUtf8());
            PressKey(d, Qt::Key_Return);
        });
        Command(ID_TOOLS_CHECK_BITMAP);
    }

    void Open(const std::optional<std::string>& path) {
        ViewerTest::Open(path);
        opened = path.value_or("");
    }

    std::string Buffer() const {
        return std::string(dlg.m_pReport, static_cast<size_t>(dlg.m_nReportSize));
    }

    static COLORREF Colour(const std::string& rgb) {
        int r = 0, g = 0, b = 0;
        std::sscanf(rgb.c_str(), "%d.%d.%d", &r, &g, &b);
        return RGB(r, g, b);
    }

    const std::map<char, int> kIds = {{'X', IDC_EDIT_X}, {'Y', IDC_EDIT_Y}, {'B', IDC_EDIT_B},
                                      {'G', IDC_EDIT_G}, {'R', IDC_EDIT_R}, {'S', IDC_EDIT_S}};
    const std::map<std::string, UINT> kCommands = {
        {"read", IDC_READ_PIXEL},         {"write", IDC_MODIFY_PIXEL},
        {"copy", IDC_COPY_REPORT},        {"clear", ID_OPTIONS_CLEAR_CACHE},
        {"exit", ID_FILE_EXIT},           {"where", ID_TOOLS_PIXEL_LOCATION},
        {"savebmp", ID_FILE_SAVE_BITMAP}, {"savereport", IDC_SAVE_REPORT}};
    std::set<std::string> known; // the names the flow may leave in its folder
    std::string opened;
    bool limited = false;
    size_t progressFrom = 0;
};

TEST_P(UserSteps, EachStepShowsAndSaysWhatTheUserExpects) {
    Run([&] {
        Grab(dlg);
        DeleteDC(CreateCompatibleDC(nullptr)); // the stock objects, made on first use, stay
        const std::size_t objects = platform::gdi::LiveObjectCount();
        for (const Step& step : GetParam().steps) {
            SCOPED_TRACE(step.act);
            recorder.messages.clear();
            progressFrom = recorder.progressTitles.size();
            std::istringstream words(step.act);
            for (std::string word; words >> word;)
                word[0] == '?' ? Expect(word) : Do(word);
            ASSERT_EQ(recorder.messages.size(), step.said.size());
            for (size_t i = 0; i < step.said.size(); ++i) {
                const std::string& want = step.said[i];
                if (want.front() == '*')
                    EXPECT_THAT(recorder.messages[i], HasSubstr(want.substr(1, want.size() - 2)));
                else if (want.back() == '*')
                    EXPECT_THAT(recorder.messages[i], StartsWith(want.substr(0, want.size() - 1)));
                else
                    EXPECT_EQ(recorder.messages[i], want);
            }
        }
        if (dlg.IsRunningModal()) { // and, cleared, nothing of the flow is left
            Command(ID_OPTIONS_CLEAR_CACHE);
            Grab(dlg);
            EXPECT_EQ(platform::gdi::LiveObjectCount(), objects) << "a graphics object left";
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Flows, UserSteps, ::testing::ValuesIn(kFlows),
                         [](const auto& info) { return std::string(info.param.name); });

using ReportBuffer = ViewerTest;

TEST_F(ReportBuffer, AFullBufferCutsTheReportOnceWhereTheTreeRuleSays) {
    // A short path, so that fourteen reports fit and the fifteenth overflows.
    std::string shortDir = "/tmp/pXXXXXX";
    ASSERT_NE(::mkdtemp(shortDir.data()), nullptr);
    const std::string path = shortDir + "/s.bmp";
    std::ofstream(path, std::ios::binary)
        << ReadFileText(dir.Write("s.bmp", PictureOf(1, 1, Corners)));
    Run([&] {
        int opens = 0, before = 0;
        for (; recorder.messages.empty() && opens < 40; ++opens) {
            before = dlg.m_nReportLen;
            Open(path);
        }
        EXPECT_EQ(recorder.messages, std::vector<std::string>{
                                         "信息缓存不足，请通过“选项”菜单中的“清空缓存”之后再试!"});
        EXPECT_EQ(opens, 15);
        EXPECT_TRUE(dlg.m_bOpened) << "the bitmap is loaded all the same";
        // The fifteenth report's first nine lines fit in what was left (its path is as
        // long as every other's); its tree holds the two groups they begin, whole.
        EXPECT_EQ(dlg.m_nReportLen - before, 271);
        const auto files = Children(nullptr);
        ASSERT_EQ(files.size(), 15u);
        std::vector<size_t> items;
        for (HTREEITEM g : Children(files.back()))
            items.push_back(Children(g).size());
        EXPECT_EQ(items, (std::vector<size_t>{5, 5}));
        // Clearing empties both stores and the pane; the swatch keeps its colour.
        Command(ID_OPTIONS_CLEAR_CACHE);
        EXPECT_EQ(std::string(dlg.m_pReport, 15480), std::string(15480, '\0'));
        EXPECT_EQ(dlg.m_tree.GetCount(), 0u);
        EXPECT_FALSE(dlg.m_bOpened);
        EXPECT_EQ(PixelAt(Grab(dlg.m_picture), 0, 0), kFace);
        EXPECT_EQ(dlg.m_editColor.m_crColor, RGB(1, 2, 3));
    });
    std::filesystem::remove_all(shortDir);
}

} // namespace
