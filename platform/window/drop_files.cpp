#include "platform/window/drop_files.h"

#include "platform/codepage.h"
#include "platform/window/window_host.h"

#include <QDropEvent>
#include <QMimeData>

#include <algorithm>
#include <cstring>
#include <memory>

struct HDROP__ {
    std::vector<std::string> paths; // as the file system names them
};

namespace platform::window {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The local paths of a URI list, percent-decoded to their bytes: a name that is not
// UTF-8 keeps its bytes, which Qt's URL and string types would replace.
std::vector<std::string> LocalPaths(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (mime == nullptr || !mime->hasFormat("text/uri-list"))
        return paths;
    const QByteArray list = mime->data("text/uri-list");
    for (const QByteArray& raw : list.split('\n')) {
        const QByteArray line = raw.trimmed();
        QByteArray rest;
        if (line.startsWith("file:///"))
            rest = line.mid(7);
        else if (line.startsWith("file://localhost/"))
            rest = line.mid(16);
        else
            continue; // a comment, another scheme or another host
        std::string path;
        for (qsizetype i = 0; i < rest.size(); ++i) {
            const bool escape = rest[i] == '%' && i + 2 < rest.size();
            const int hi = escape ? HexValue(rest[i + 1]) : -1;
            const int lo = escape ? HexValue(rest[i + 2]) : -1;
            if (hi >= 0 && lo >= 0) {
                path += static_cast<char>(hi * 16 + lo);
                i += 2;
            } else {
                path += rest[i];
            }
        }
        if (path.find('\0') == std::string::npos)
            paths.push_back(path);
    }
    return paths;
}

HWND DialogOf(HWND h) {
    while (h != nullptr && !h->isDialog)
        h = h->parent;
    return h;
}

} // namespace

bool FileDragEvent(HWND h, QEvent* event) {
    const HWND dialog = DialogOf(h);
    if (dialog == nullptr || !dialog->acceptFiles)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (LocalPaths(drag->mimeData()).empty())
            return false;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        std::vector<std::string> paths = LocalPaths(drop->mimeData());
        if (paths.empty())
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // Freed here, not by DragFinish, so that a handler abandoned halfway leaks nothing.
        auto handle = std::make_unique<HDROP__>(HDROP__{std::move(paths)});
        CWnd::FromHandle(dialog)->SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(handle.get()),
                                              0);
        return true;
    }
    default:
        return false;
    }
}

} // namespace platform::window

void DragAcceptFiles(HWND hwnd, BOOL accept) {
    if (!platform::window::IsLive(hwnd) || hwnd->widget == nullptr)
        return;
    hwnd->acceptFiles = accept != FALSE;
    hwnd->widget->setAcceptDrops(hwnd->acceptFiles);
}

UINT DragQueryFile(HDROP drop, UINT index, LPTSTR buffer, UINT size) {
    if (drop == nullptr)
        return 0;
    if (index == 0xFFFFFFFF)
        return static_cast<UINT>(drop->paths.size());
    if (index >= drop->paths.size())
        return 0;
    const std::string text = platform::Utf8ToGb18030(drop->paths[index]);
    if (buffer != nullptr && size > 0) {
        const size_t n = std::min<size_t>(text.size(), size - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
        return static_cast<UINT>(n);
    }
    return static_cast<UINT>(text.size());
}

void DragFinish(HDROP drop) {
    if (drop != nullptr)
        drop->paths.clear();
}

std::string platform::DragQueryNativePath(HDROP drop, UINT index) {
    return drop != nullptr && index < drop->paths.size() ? drop->paths[index] : std::string();
}
