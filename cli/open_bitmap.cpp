#include "cli/open_bitmap.h"

#include "platform/interaction.h"

#include <unistd.h>

#include <cerrno>

#include <vector>

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

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/')
        return path;
    std::vector<char> buf(4096);
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE)
            return path;
        buf.resize(buf.size() * 2);
    }
    std::string cwd(buf.data());
    std::string rest = path;
    // "./a.bmp" names a.bmp in the working directory; drop the "./" only.
    while (rest.size() >= 2 && rest[0] == '.' && rest[1] == '/') {
        rest.erase(0, 2);
        while (!rest.empty() && rest[0] == '/')
            rest.erase(0, 1);
    }
    if (rest == ".")
        rest.clear();
    return cwd == "/" ? "/" + rest : cwd + "/" + rest;
}
