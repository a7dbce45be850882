// The standard controls, as thin objects over their windows.
#pragma once

#include "platform/window/cwnd.h"

#include <vector>

class CButton : public CWnd {};

class CStatic : public CWnd {};

class CEdit : public CWnd {
public:
    // Selects characters start..end; end -1 selects to the end.
    void SetSel(int start, int end, BOOL noScroll = FALSE);
    void GetSel(int& start, int& end) const;
};

inline HTREEITEM const TVI_ROOT = reinterpret_cast<HTREEITEM>(static_cast<std::intptr_t>(-0x10000));
inline HTREEITEM const TVI_FIRST =
    reinterpret_cast<HTREEITEM>(static_cast<std::intptr_t>(-0x0FFFF));
inline HTREEITEM const TVI_LAST = reinterpret_cast<HTREEITEM>(static_cast<std::intptr_t>(-0x0FFFE));

class CTreeCtrl : public CWnd {
public:
    HTREEITEM InsertItem(LPCTSTR text, HTREEITEM parent = TVI_ROOT,
                         HTREEITEM insertAfter = TVI_LAST);
    HTREEITEM InsertItem(LPCTSTR text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT,
                         HTREEITEM insertAfter = TVI_LAST);
    BOOL DeleteAllItems();
    UINT GetCount() const;
    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    CString GetItemText(HTREEITEM item) const;
    BOOL GetItemImage(HTREEITEM item, int& image, int& selectedImage) const;
    BOOL ItemHasChildren(HTREEITEM item) const;
    HTREEITEM GetSelectedItem() const;
    BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
    DWORD_PTR GetItemData(HTREEITEM item) const;
    UINT GetItemState(HTREEITEM item, UINT mask) const;
    // The item's row in client coordinates; textOnly: just its text.
    BOOL GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const;
};

// SPI_GETWORKAREA: the screen's area that windows may take, without panels.
inline constexpr UINT SPI_GETWORKAREA = 0x0030;
BOOL SystemParametersInfo(UINT action, UINT param, void* value, UINT winIni);

inline constexpr UINT TVIS_EXPANDED = 0x20;
inline constexpr UINT TVIS_SELECTED = 0x02;

// A bar of text panes along a dialog's bottom edge, below its template's area. A pane
// given a command id sends it to the dialog when clicked.
class CStatusBar : public CWnd {
public:
    BOOL Create(CWnd* dialog, const std::vector<UINT>& paneCommands);
    void SetPaneText(int pane, LPCTSTR text);
    CString GetPaneText(int pane) const;
};

class CMenu {
public:
    HMENU m_hMenu = nullptr;
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCTSTR text = nullptr);
    // An empty pop-up titled text, put before the item at position; its menu object.
    CMenu* InsertPopup(UINT position, LPCTSTR text);
    // Takes out the item at position (MF_BYPOSITION) or with that command id.
    BOOL DeleteMenu(UINT position, UINT flags);
    UINT GetMenuItemCount() const;
    UINT GetMenuItemID(int position) const; // 0 for a separator, -1 for a pop-up
    int GetMenuString(UINT position, CString& text, UINT flags) const;
    CMenu* GetSubMenu(int position) const;
    UINT GetMenuState(UINT id, UINT flags) const;
};

inline constexpr UINT MF_BYCOMMAND = 0x0;
inline constexpr UINT MF_BYPOSITION = 0x400;
