#include "platform/cdc.h"

CDC::~CDC() {
    if (m_owned)
        DeleteDC();
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
    HDC hdc = ::CreateCompatibleDC(pDC != nullptr ? pDC->m_hDC : nullptr);
    if (hdc == nullptr)
        return FALSE;
    if (m_owned)
        DeleteDC();
    m_hDC = hdc;
    m_owned = true;
    return TRUE;
}

BOOL CDC::DeleteDC() {
    if (m_hDC == nullptr)
        return FALSE;
    BOOL ok = ::DeleteDC(m_hDC);
    m_hDC = nullptr;
    m_owned = false;
    return ok;
}

BOOL CDC::Attach(HDC hdc) {
    if (m_hDC != nullptr || hdc == nullptr)
        return FALSE;
    m_hDC = hdc;
    m_owned = true;
    return TRUE;
}

HDC CDC::Detach() {
    HDC hdc = m_hDC;
    m_hDC = nullptr;
    m_owned = false;
    return hdc;
}
