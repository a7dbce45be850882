#include "controls/color_edit.h"

#include "platform/window/paint_dc.h"

BEGIN_MESSAGE_MAP(CColorEdit, CEdit)
ON_WM_PAINT()
END_MESSAGE_MAP()

void CColorEdit::OnPaint() {
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    HBRUSH brush = CreateSolidBrush(m_crColor);
    dc.FillRect(&client, brush);
    DeleteObject(brush);
}
