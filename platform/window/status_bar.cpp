// The status bar: a row of labels under the dialog's client area, in its frame.
#include "platform/window/window_host.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace {

// A pane that sends its command when clicked, and shows it can be.
class Pane : public QLabel {
public:
    Pane(HWND dialog, UINT command, QWidget* parent)
        : QLabel(parent), m_dialog(dialog), m_command(command) {
        setTextFormat(Qt::PlainText);
        if (command != 0) { // looks like the link it is
            setCursor(Qt::PointingHandCursor);
            setStyleSheet("color: #b00000; text-decoration: underline;");
        }
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (m_command != 0 && event->button() == Qt::LeftButton && !text().isEmpty())
            platform::window::SendCommand(m_dialog, static_cast<int>(m_command));
    }

private:
    HWND m_dialog;
    UINT m_command;
};

QLabel* PaneOf(HWND bar, int pane) {
    if (!platform::window::IsLive(bar) || bar->widget == nullptr)
        return nullptr;
    return bar->widget->findChild<QLabel*>(QString("statusPane%1").arg(pane));
}

} // namespace

BOOL CStatusBar::Create(CWnd* dialog, const std::vector<UINT>& paneCommands) {
    HWND d = dialog != nullptr ? dialog->m_hWnd : nullptr;
    if (!platform::window::IsLive(d) || !d->isDialog || d->frame == nullptr)
        return FALSE;
    auto* bar = new QWidget(d->frame);
    bar->setObjectName("statusBar");
    bar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed); // the client grows, not it
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(6, 2, 6, 2);
    row->setSpacing(16);
    for (std::size_t i = 0; i < paneCommands.size(); ++i) {
        auto* pane = new Pane(d, paneCommands[i], bar);
        pane->setObjectName(QString("statusPane%1").arg(i));
        row->addWidget(pane, i + 1 == paneCommands.size() ? 1 : 0);
    }
    if (auto* layout = qobject_cast<QVBoxLayout*>(d->frame->layout()))
        layout->addWidget(bar);
    m_hWnd = platform::window::AttachWidget(d, bar);
    return TRUE;
}

void CStatusBar::SetPaneText(int pane, LPCTSTR text) {
    if (QLabel* label = PaneOf(m_hWnd, pane))
        label->setText(platform::window::ToQString(text));
}

CString CStatusBar::GetPaneText(int pane) const {
    QLabel* label = PaneOf(m_hWnd, pane);
    return label != nullptr ? platform::window::FromQString(label->text()) : CString();
}
