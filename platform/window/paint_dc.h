// Contexts on a window's surface. A window that paints for itself draws into its own
// surface, which is what Qt then shows; a paint context is clipped to what is invalid.
#pragma once

#include "platform/cdc.h"
#include "platform/window/cwnd.h"

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};
