// The command table: per class a constant array of {message, id, signature, handler},
// searched in its order, then the base class's. Handlers are member functions of the
// class, stored as pointers to members of CCmdTarget as the framework's tables do.
#pragma once

#include "platform/cobject.h"
#include "platform/geometry.h"
#include "platform/winuser.h"

class CCmdTarget;
class CWnd;

enum class AfxSig {
    end,
    vv,       // void ()
    vwl,      // void (UINT, LPARAM)
    hv,       // HCURSOR ()
    vwp,      // void (UINT, CPoint): mouse messages in client coordinates
    vD,       // void (HDROP)
    vwii,     // void (UINT, int, int): WM_SIZE's type, width and height
    bwsp,     // BOOL (UINT, short, CPoint): WM_MOUSEWHEEL in client coordinates
    vwww,     // void (UINT, UINT, UINT): WM_KEYDOWN's key, repeat count and flags
    vw,       // void (UINT): a command of a range, with its id
    vNMHDRpl, // void (NMHDR*, LRESULT*): WM_NOTIFY's code from one control
};

using AFX_PMSG = void (CCmdTarget::*)();

// One member per signature; nSig tells which one an entry holds.
union AFX_PMSG_ANY {
    AFX_PMSG vv;
    void (CWnd::*vwl)(UINT, LPARAM);
    HCURSOR (CWnd::*hv)();
    void (CWnd::*vwp)(UINT, CPoint);
    void (CWnd::*vD)(HDROP);
    void (CWnd::*vwii)(UINT, int, int);
    BOOL (CWnd::*bwsp)(UINT, short, CPoint);
    void (CWnd::*vwww)(UINT, UINT, UINT);
    void (CCmdTarget::*vw)(UINT);
    void (CCmdTarget::*vNMHDRpl)(NMHDR*, LRESULT*);
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nID; // the command id for WM_COMMAND, else 0
    AfxSig nSig;
    AFX_PMSG_ANY pfn;
    UINT nLastID = 0; // a range of commands: the last id, nID the first
    UINT nCode = 0;   // WM_NOTIFY: the notification, nID the control
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget : public CObject {
public:
    // Runs the handler the table binds to the command id; false when none does.
    virtual BOOL OnCmdMsg(UINT nID);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    // The first entry for message (and, for commands, id) in this class or a base.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT id) const;
};

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const {                                            \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                              \
        using ThisClass = theClass;                                                                \
        using TheBaseClass = baseClass;                                                            \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
    {                                                                                              \
        0, 0, AfxSig::end, {                                                                       \
            .vv = nullptr                                                                          \
        }                                                                                          \
    }                                                                                              \
    }                                                                                              \
    ;                                                                                              \
    static_assert(sizeof(ThisClass) > 0);                                                          \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]};   \
    return &messageMap;                                                                            \
    }

#define ON_COMMAND(id, memberFxn)                                                                  \
    {WM_COMMAND,                                                                                   \
     static_cast<UINT>(id),                                                                        \
     AfxSig::vv,                                                                                   \
     {.vv = static_cast<AFX_PMSG>(static_cast<void (ThisClass::*)()>(&ThisClass::memberFxn))}},

#define ON_WM_PAINT()                                                                              \
    {WM_PAINT,                                                                                     \
     0,                                                                                            \
     AfxSig::vv,                                                                                   \
     {.vv = static_cast<AFX_PMSG>(static_cast<void (ThisClass::*)()>(&ThisClass::OnPaint))}},

#define ON_WM_SYSCOMMAND()                                                                         \
    {WM_SYSCOMMAND,                                                                                \
     0,                                                                                            \
     AfxSig::vwl,                                                                                  \
     {.vwl = static_cast<void (CWnd::*)(UINT, LPARAM)>(&ThisClass::OnSysCommand)}},

#define ON_WM_QUERYDRAGICON()                                                                      \
    {WM_QUERYDRAGICON,                                                                             \
     0,                                                                                            \
     AfxSig::hv,                                                                                   \
     {.hv = static_cast<HCURSOR (CWnd::*)()>(&ThisClass::OnQueryDragIcon)}},

#define ON_WM_MOUSEMOVE()                                                                          \
    {WM_MOUSEMOVE,                                                                                 \
     0,                                                                                            \
     AfxSig::vwp,                                                                                  \
     {.vwp = static_cast<void (CWnd::*)(UINT, CPoint)>(&ThisClass::OnMouseMove)}},

#define ON_WM_LBUTTONDOWN()                                                                        \
    {WM_LBUTTONDOWN,                                                                               \
     0,                                                                                            \
     AfxSig::vwp,                                                                                  \
     {.vwp = static_cast<void (CWnd::*)(UINT, CPoint)>(&ThisClass::OnLButtonDown)}},

#define ON_WM_MOUSELEAVE()                                                                         \
    {WM_MOUSELEAVE,                                                                                \
     0,                                                                                            \
     AfxSig::vv,                                                                                   \
     {.vv = static_cast<AFX_PMSG>(static_cast<void (ThisClass::*)()>(&ThisClass::OnMouseLeave))}},

// Commands first..last, each to one handler that takes the id.
#define ON_COMMAND_RANGE(first, last, memberFxn)                                                   \
    {WM_COMMAND,                                                                                   \
     static_cast<UINT>(first),                                                                     \
     AfxSig::vw,                                                                                   \
     {.vw = static_cast<void (CCmdTarget::*)(UINT)>(                                               \
          static_cast<void (ThisClass::*)(UINT)>(&ThisClass::memberFxn))},                         \
     static_cast<UINT>(last)},

// A control's notification (NM_DBLCLK, ...) to a handler of the dialog.
#define ON_NOTIFY(code, id, memberFxn)                                                             \
    {WM_NOTIFY,                                                                                    \
     static_cast<UINT>(id),                                                                        \
     AfxSig::vNMHDRpl,                                                                             \
     {.vNMHDRpl = static_cast<void (CCmdTarget::*)(NMHDR*, LRESULT*)>(                             \
          static_cast<void (ThisClass::*)(NMHDR*, LRESULT*)>(&ThisClass::memberFxn))},             \
     0,                                                                                            \
     static_cast<UINT>(code)},

#define ON_WM_SIZE()                                                                               \
    {WM_SIZE,                                                                                      \
     0,                                                                                            \
     AfxSig::vwii,                                                                                 \
     {.vwii = static_cast<void (CWnd::*)(UINT, int, int)>(&ThisClass::OnSize)}},

#define ON_WM_LBUTTONUP()                                                                          \
    {WM_LBUTTONUP,                                                                                 \
     0,                                                                                            \
     AfxSig::vwp,                                                                                  \
     {.vwp = static_cast<void (CWnd::*)(UINT, CPoint)>(&ThisClass::OnLButtonUp)}},

#define ON_WM_MOUSEWHEEL()                                                                         \
    {WM_MOUSEWHEEL,                                                                                \
     0,                                                                                            \
     AfxSig::bwsp,                                                                                 \
     {.bwsp = static_cast<BOOL (CWnd::*)(UINT, short, CPoint)>(&ThisClass::OnMouseWheel)}},

#define ON_WM_KEYDOWN()                                                                            \
    {WM_KEYDOWN,                                                                                   \
     0,                                                                                            \
     AfxSig::vwww,                                                                                 \
     {.vwww = static_cast<void (CWnd::*)(UINT, UINT, UINT)>(&ThisClass::OnKeyDown)}},

#define ON_WM_DROPFILES()                                                                          \
    {WM_DROPFILES,                                                                                 \
     0,                                                                                            \
     AfxSig::vD,                                                                                   \
     {.vD = static_cast<void (CWnd::*)(HDROP)>(&ThisClass::OnDropFiles)}},
