// Field exchange with the classic framework's integer parsing: leading blanks, an
// optional sign, decimal digits, trailing blanks, nothing else. Unlike that framework,
// a number outside the field's range is refused, never saturated or wrapped.
#include "platform/window/cdialog.h"

#include "platform/interaction.h"
#include "platform/window/window_host.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The whole text: a number is judged by all its digits, however many there are.
std::string FieldText(HWND h) {
    CString text;
    CWnd::FromHandle(h)->GetWindowText(text);
    return std::string(static_cast<LPCTSTR>(text), static_cast<size_t>(text.GetLength()));
}

// Parses as the framework does; false when the text is not a number, or one outside
// the field's 32 bits (which the classic framework let through saturated or wrapped).
bool ParseField(const std::string& text, bool isUnsigned, long long& value) {
    const char* p = text.c_str();
    while (IsBlank(*p))
        ++p;
    const char first = *p;
    if (isUnsigned && first == '-')
        return false;
    char* end = nullptr;
    errno = 0;
    if (isUnsigned) {
        unsigned long long v = std::strtoull(p, &end, 10);
        if (errno == ERANGE || v > UINT32_MAX)
            return false;
        value = static_cast<long long>(v);
    } else {
        long long v = std::strtoll(p, &end, 10);
        if (errno == ERANGE || v > INT32_MAX || v < INT32_MIN)
            return false;
        value = v;
    }
    if (value == 0 && first != '0')
        return false;
    while (IsBlank(*end))
        ++end;
    return *end == '\0';
}

} // namespace

HWND CDataExchange::PrepareCtrl(int id) {
    CWnd* control = m_pDlgWnd->GetDlgItem(id);
    m_idLastControl = control != nullptr ? control->m_hWnd : nullptr;
    m_bEditLastControl = FALSE;
    return m_idLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
    HWND h = PrepareCtrl(id);
    m_bEditLastControl = TRUE;
    return h;
}

void CDataExchange::Fail() {
    if (m_bSaveAndValidate && platform::window::IsLive(m_idLastControl)) {
        CWnd* control = CWnd::FromHandle(m_idLastControl);
        control->SetFocus();
        if (m_bEditLastControl)
            static_cast<CEdit*>(control)->SetSel(0, -1);
    }
    throw new CUserException;
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (control.m_hWnd != nullptr)
        return;
    pDX->PrepareCtrl(id);
    control.SubclassDlgItem(static_cast<UINT>(id), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int id, BYTE& value) {
    HWND h = pDX->PrepareEditCtrl(id);
    if (h == nullptr)
        return;
    if (!pDX->m_bSaveAndValidate) {
        CString text;
        text.Format("%u", static_cast<unsigned>(value));
        CWnd::FromHandle(h)->SetWindowText(text);
        return;
    }
    long long v = 0;
    if (!ParseField(FieldText(h), true, v) || v > 255) {
        AfxMessageBox(CString::FromUtf8("“请填入一个在0和255之间的整数。”"));
        pDX->Fail();
    }
    value = static_cast<BYTE>(v);
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
    HWND h = pDX->PrepareEditCtrl(id);
    if (h == nullptr)
        return;
    if (!pDX->m_bSaveAndValidate) {
        CString text;
        text.Format("%d", value);
        CWnd::FromHandle(h)->SetWindowText(text);
        return;
    }
    long long v = 0;
    if (!ParseField(FieldText(h), false, v)) {
        AfxMessageBox(CString::FromUtf8("请键入一个整数。"));
        pDX->Fail();
    }
    value = static_cast<int>(v);
}

void DDV_MinMaxByte(CDataExchange* pDX, BYTE value, BYTE minValue, BYTE maxValue) {
    if (!pDX->m_bSaveAndValidate || (value >= minValue && value <= maxValue))
        return;
    CString text;
    text.Format("%u", static_cast<unsigned>(minValue));
    CString upper;
    upper.Format("%u", static_cast<unsigned>(maxValue));
    AfxMessageBox(CString::FromUtf8("请键入一个在") + text + CString::FromUtf8("和") + upper +
                  CString::FromUtf8("之间的整数。"));
    pDX->Fail();
}
