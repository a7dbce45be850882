// The colour swatch: an edit control that shows only a rectangle of its colour.
#pragma once

#include "platform/window/controls.h"

class CColorEdit : public CEdit {
public:
    CColorEdit() = default;
    ~CColorEdit() override = default;

    COLORREF m_crColor = 0;

protected:
    void OnPaint();
    DECLARE_MESSAGE_MAP()
};
