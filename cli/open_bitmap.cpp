#include "cli/open_bitmap.h"

#include "platform/interaction.h"

OpenResult OpenBitmapFile(const std::string& path, CDib& dib) {
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite)) {
        AfxMessageBox("Can't Read Files!!");
        return OpenResult::CannotOpen;
    }
    if (!dib.Read(&file)) {
        dib.Empty();
        AfxMessageBox("Read Error!!");
        return OpenResult::NotABitmap;
    }
    return OpenResult::Loaded;
}
