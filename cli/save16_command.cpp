// pixscope-cli save16 FILE OUT: what the save command does to the picture, then Write.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/open_bitmap.h"
#include "cli/write_bitmap.h"
#include "platform/interaction.h"

int RunSave16Command(const std::vector<std::string>& args) {
    if (args.size() != 2)
        return UsageError("save16", "expects FILE OUT");
    CDib dib;
    if (OpenBitmapFile(args[0], dib) != OpenResult::Loaded)
        return 1;
    try {
        CSize size(dib.m_pInfo->biWidth, dib.m_pInfo->biHeight);
        dib.ConvertTo555();
        dib.ResetHeader(size, 16);
    } catch (CMemoryException* e) {
        e->Delete();
        AfxMessageBox(CString::FromUtf8("内存不足。"));
        return 1;
    }
    return WriteBitmapFile(dib, args[1]) ? 0 : 1;
}
