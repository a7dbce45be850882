// pixscope-cli save16 FILE OUT: what the save command does to the picture, then Write.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/open_bitmap.h"
#include "cli/write_bitmap.h"
#include "dib/pixel_rules.h"
#include "dib/save_rules.h"
#include "platform/interaction.h"

int RunSave16Command(const std::vector<std::string>& argv) {
    const Arguments split = SplitArguments(argv);
    if (!split.options.empty())
        return UsageError("save16", "unknown option " + split.options[0]);
    const std::vector<std::string>& args = split.operands;
    if (args.size() != 2)
        return UsageError("save16", "expects FILE OUT");
    CDib dib;
    if (OpenBitmapFile(args[0], dib) != OpenResult::Loaded)
        return 1;
    if (const std::string why = SaveRefusal(dib, SaveAs::Rgb555); !why.empty()) {
        AfxMessageBox(CString::FromUtf8(why + "；" + kNothingWrittenMessage));
        return 1;
    }
    CSize size(dib.m_pInfo->biWidth, dib.m_pInfo->biHeight);
    dib.ConvertTo555();
    dib.ResetHeader(size, 16);
    return WriteBitmapFile(dib, args[1]) ? 0 : 1;
}
