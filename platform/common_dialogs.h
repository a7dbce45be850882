// The open/save and colour dialogs. They go through the interaction seam, so the user
// sees the desktop's dialogs and tests answer them.
#pragma once

#include "platform/cstring.h"
#include "platform/winuser.h"

#include <string>

class CWnd;

inline constexpr DWORD OFN_READONLY = 0x1;
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
inline constexpr DWORD OFN_HIDEREADONLY = 0x4;
inline constexpr DWORD OFN_PATHMUSTEXIST = 0x800;
inline constexpr DWORD OFN_FILEMUSTEXIST = 0x1000;
inline constexpr DWORD OFN_CREATEPROMPT = 0x2000;

class CFileDialog {
public:
    // filter: "shown text|pattern;pattern|...||", split with two-byte characters in mind.
    explicit CFileDialog(BOOL openFileDialog, LPCTSTR defExt = nullptr, LPCTSTR fileName = nullptr,
                         DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         LPCTSTR filter = nullptr, CWnd* parent = nullptr);
    virtual ~CFileDialog() = default;

    virtual INT_PTR DoModal();
    // The chosen path as code page 936 text (GB18030 for what GBK lacks).
    CString GetPathName() const { return m_strPathName; }
    // The chosen path as the file system names it, whatever its bytes.
    const std::string& GetNativePathName() const { return m_nativePathName; }

private:
    BOOL m_bOpenFileDialog;
    CString m_strDefExt;
    CString m_strFileName;
    DWORD m_dwFlags;
    CString m_strFilter;
    CString m_strPathName;
    std::string m_nativePathName;
};

class CColorDialog {
public:
    explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
    virtual ~CColorDialog() = default;

    virtual INT_PTR DoModal();
    COLORREF GetColor() const { return m_color; }

private:
    COLORREF m_color;
};

namespace platform {
// The file system's name for a path held as code page 936 text.
std::string NativePath(const CString& path);
} // namespace platform
