// The standard controls, as thin objects over their windows.
#pragma once

#include "platform/window/cwnd.h"

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
    UINT GetItemState(HTREEITEM item, UINT mask) const;
};

inline constexpr UINT TVIS_EXPANDED = 0x20;
inline constexpr UINT TVIS_SELECTED = 0x02;

class CMenu {
public:
    HMENU m_hMenu = nullptr;
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCTSTR text = nullptr);
    UINT GetMenuItemCount() const;
    UINT GetMenuItemID(int position) const; // 0 for a separator, -1 for a pop-up
    int GetMenuString(UINT position, CString& text, UINT flags) const;
    CMenu* GetSubMenu(int position) const;
    UINT GetMenuState(UINT id, UINT flags) const;
};

inline constexpr UINT MF_BYCOMMAND = 0x0;
inline constexpr UINT MF_BYPOSITION = 0x400;
