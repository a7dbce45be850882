#include "platform/window/paint_dc.h"

#include "platform/gdi/gdi_objects.h"
#include "platform/window/window_host.h"

using platform::window::IsLive;

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd != nullptr ? wnd->m_hWnd : nullptr) {
    if (!IsLive(m_hWnd))
        return;
    HWND h = m_hWnd;
    RECT clip = h->paintRect;
    // Outside a paint event, or for a paint that covered the frame, the client area is
    // what is painted.
    clip.left = std::max<LONG>(0, clip.left - h->clientInset);
    clip.top = std::max<LONG>(0, clip.top - h->clientInset);
    clip.right = std::min<LONG>(h->surface.width, clip.right - h->clientInset);
    clip.bottom = std::min<LONG>(h->surface.height, clip.bottom - h->clientInset);
    if (clip.right <= clip.left || clip.bottom <= clip.top)
        clip = RECT{0, 0, h->surface.width, h->surface.height};
    m_ps.rcPaint = clip;
    m_ps.fErase = h->erasePending ? TRUE : FALSE;
    Attach(platform::gdi::CreateSurfaceDC(&h->surface, &clip));
    m_ps.hdc = m_hDC;
    if (h->erasePending) {
        h->erasePending = false;
        wnd->SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(m_hDC), 0);
    }
    h->programPainted = true;
}

CPaintDC::~CPaintDC() {
    if (IsLive(m_hWnd))
        m_hWnd->paintRect = RECT{};
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd != nullptr ? wnd->m_hWnd : nullptr) {
    if (!IsLive(m_hWnd))
        return;
    Attach(platform::gdi::CreateSurfaceDC(&m_hWnd->surface));
}

CClientDC::~CClientDC() {
    // What was drawn shows at the next paint; the window's own painting is not run for it.
    if (IsLive(m_hWnd) && m_hWnd->widget != nullptr)
        m_hWnd->widget->update();
}
