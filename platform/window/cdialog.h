// Dialogs built from a template of the resource module, run modally in a loop of
// their own. OK (Enter) validates the fields and ends the dialog only when that
// succeeds; Cancel (Esc, the close box) ends it at once.
#pragma once

#include "platform/exceptions.h"
#include "platform/window/cwnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    virtual INT_PTR DoModal();
    virtual BOOL OnInitDialog();
    void EndDialog(int result);

    // The innermost dialog now running modally, or null.
    static CDialog* ActiveModalDialog();
    // Whether its modal loop runs and EndDialog has not been called.
    bool IsRunningModal() const;

protected:
    virtual void OnOK();
    virtual void OnCancel();
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDHelp;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    struct ModalState;
    UINT m_templateId;
    ModalState* m_modal = nullptr;
    int m_nModalResult = -1;
};

// Moves values between a dialog's controls and its members; a failed field stops the
// exchange (Fail) after its message, with the focus on that field.
class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    HWND m_idLastControl = nullptr;
    BOOL m_bEditLastControl = FALSE;
};

// Thrown by CDataExchange::Fail and caught by UpdateData.
class CUserException : public CException {};

void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
void DDX_Text(CDataExchange* pDX, int id, BYTE& value);
void DDX_Text(CDataExchange* pDX, int id, int& value);
void DDV_MinMaxByte(CDataExchange* pDX, BYTE value, BYTE minValue, BYTE maxValue);
