#include "platform/common_dialogs.h"

#include "platform/codepage.h"
#include "platform/interaction.h"

#include <vector>

namespace {

// Splits at '|' bytes that are not the second byte of a two-byte character.
std::vector<std::string> SplitFilter(const CString& filter) {
    std::vector<std::string> parts;
    std::string current;
    const std::string bytes(static_cast<LPCTSTR>(filter), static_cast<size_t>(filter.GetLength()));
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (platform::IsLeadByte936(c) && i + 1 < bytes.size()) {
            current += bytes[i];
            current += bytes[++i];
        } else if (c == '|') {
            parts.push_back(current);
            current.clear();
        } else {
            current += bytes[i];
        }
    }
    if (!current.empty())
        parts.push_back(current);
    return parts;
}

std::vector<platform::InteractionSeam::FileFilter> ParseFilter(const CString& filter) {
    std::vector<platform::InteractionSeam::FileFilter> filters;
    const std::vector<std::string> parts = SplitFilter(filter);
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty())
            break; // "||" ends the list
        platform::InteractionSeam::FileFilter f;
        f.name = platform::GbkToUtf8(parts[i]);
        std::string patterns = platform::GbkToUtf8(parts[i + 1]);
        size_t start = 0;
        while (start <= patterns.size()) {
            size_t end = patterns.find(';', start);
            if (end == std::string::npos)
                end = patterns.size();
            if (end > start)
                f.patterns.push_back(patterns.substr(start, end - start));
            start = end + 1;
        }
        filters.push_back(std::move(f));
    }
    return filters;
}

} // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, LPCTSTR defExt, LPCTSTR fileName, DWORD flags,
                         LPCTSTR filter, CWnd* /*parent*/)
    : m_bOpenFileDialog(openFileDialog), m_strDefExt(defExt != nullptr ? defExt : ""),
      m_strFileName(fileName != nullptr ? fileName : ""), m_dwFlags(flags),
      m_strFilter(filter != nullptr ? filter : "") {}

INT_PTR CFileDialog::DoModal() {
    platform::InteractionSeam::FileRequest request;
    request.open = m_bOpenFileDialog != FALSE;
    request.initialName = platform::GbkToUtf8(m_strFileName.operator LPCTSTR());
    request.defaultExt = platform::GbkToUtf8(m_strDefExt.operator LPCTSTR());
    request.filters = ParseFilter(m_strFilter);
    request.flags = m_dwFlags;
    const auto chosen = platform::CurrentInteraction().ChooseFile(request);
    if (!chosen)
        return IDCANCEL;
    m_nativePathName = *chosen;
    m_strPathName = CString(platform::Utf8ToGb18030(*chosen));
    return IDOK;
}

CColorDialog::CColorDialog(COLORREF initial, DWORD /*flags*/, CWnd* /*parent*/)
    : m_color(initial) {}

INT_PTR CColorDialog::DoModal() {
    const auto chosen = platform::CurrentInteraction().ChooseColor(m_color);
    if (!chosen)
        return IDCANCEL;
    m_color = *chosen;
    return IDOK;
}

std::string platform::NativePath(const CString& path) {
    return GbkToUtf8(std::string_view(path, static_cast<size_t>(path.GetLength())));
}
