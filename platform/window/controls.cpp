// Window text of every kind of control, and the edit control's selection.
#include "platform/window/controls.h"

#include "platform/window/window_host.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

using platform::window::FromQString;
using platform::window::IsLive;
using platform::window::ToQString;

void CWnd::SetWindowText(LPCTSTR text) {
    if (!IsLive(m_hWnd))
        return;
    const QString t = ToQString(text);
    QWidget* w = m_hWnd->isDialog ? m_hWnd->frame.data() : m_hWnd->widget.data();
    if (w == nullptr)
        return;
    if (m_hWnd->isDialog)
        w->setWindowTitle(t);
    else if (auto* box = qobject_cast<QGroupBox*>(w))
        box->setTitle(t);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(t);
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(t);
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(t);
    else
        w->setWindowTitle(t);
}

void CWnd::GetWindowText(CString& text) const {
    text = CString();
    if (!IsLive(m_hWnd))
        return;
    QWidget* w = m_hWnd->isDialog ? m_hWnd->frame.data() : m_hWnd->widget.data();
    if (w == nullptr)
        return;
    QString t;
    if (m_hWnd->isDialog)
        t = w->windowTitle();
    else if (auto* box = qobject_cast<QGroupBox*>(w))
        t = box->title();
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        t = button->text();
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        t = edit->text();
    else if (auto* label = qobject_cast<QLabel*>(w))
        t = label->text();
    else
        t = w->windowTitle();
    text = FromQString(t);
}

int CWnd::GetWindowTextLength() const {
    CString text;
    GetWindowText(text);
    return text.GetLength();
}

void CEdit::SetSel(int start, int end, BOOL /*noScroll*/) {
    auto* edit = IsLive(m_hWnd) ? qobject_cast<QLineEdit*>(m_hWnd->widget.data()) : nullptr;
    if (edit == nullptr)
        return;
    if (end < 0)
        end = static_cast<int>(edit->text().size());
    if (start < 0) {
        edit->deselect();
        return;
    }
    edit->setSelection(start, end - start);
}

void CEdit::GetSel(int& start, int& end) const {
    start = end = 0;
    auto* edit = IsLive(m_hWnd) ? qobject_cast<QLineEdit*>(m_hWnd->widget.data()) : nullptr;
    if (edit == nullptr)
        return;
    if (edit->hasSelectedText()) {
        start = edit->selectionStart();
        end = start + static_cast<int>(edit->selectedText().size());
    } else {
        start = end = edit->cursorPosition();
    }
}
