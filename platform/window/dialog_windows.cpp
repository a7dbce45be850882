// Builds a dialog's Qt widgets from its template and keeps the book of which widget
// is which window, and which windows are still alive.
#include "platform/window/window_host.h"

#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <unordered_set>

namespace platform::window {

class DialogHost : public QObject {
public:
    explicit DialogHost(QObject* frame) : QObject(frame) {}
    ~DialogHost() override;
    std::vector<std::unique_ptr<HWND__>> handles;
};

namespace {

std::unordered_set<HWND>& LiveHandles() {
    static std::unordered_set<HWND> live;
    return live;
}

QHash<const QObject*, HWND>& WidgetHandles() {
    static QHash<const QObject*, HWND> map;
    return map;
}

// Static text that always fits its rectangle. Templates were laid out for the fonts of
// another system; where the dialog's font needs more room than the rectangle gives,
// the text is drawn a pixel smaller at a time (down to 8 px), never cut off.
class FittingLabel : public QLabel {
public:
    FittingLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        Fit();
        QLabel::paintEvent(event);
    }

private:
    void Fit() {
        if (m_fitted && text() == m_fittedText && size() == m_fittedSize)
            return;
        if (!m_fitted)
            m_base = font();
        m_fitted = true;
        m_fittedText = text();
        m_fittedSize = size();
        QFont f = m_base;
        for (int px = QFontInfo(m_base).pixelSize(); px >= 8; --px) {
            f.setPixelSize(px);
            setFont(f);
            if (heightForWidth(contentsRect().width()) <= contentsRect().height())
                return;
        }
    }

    bool m_fitted = false;
    QFont m_base;
    QString m_fittedText;
    QSize m_fittedSize;
};

// Rows as tall as their font needs: the style's own height cuts off underscores and
// descenders ("a_b_c.bmp" read as "a b c").
class WholeRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), QFontMetrics(option.font).lineSpacing() + 4));
        return size;
    }
};

// An SS_BLACKFRAME static: a one-pixel black frame, nothing inside.
class BlackFrame : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

HWND AddHandle(DialogHost* host, QWidget* widget) {
    host->handles.push_back(std::make_unique<HWND__>());
    HWND h = host->handles.back().get();
    h->widget = widget;
    LiveHandles().insert(h);
    WidgetHandles().insert(widget, h);
    widget->installEventFilter(WindowEventFilter());
    return h;
}

QWidget* CreateControl(const DialogItemTemplate& item, QWidget* client) {
    const QString text = QString::fromUtf8(item.text != nullptr ? item.text : "");
    switch (item.kind) {
    case ControlClass::Button: {
        if ((item.style & BS_TYPEMASK) == BS_GROUPBOX) {
            // A group box lies behind its siblings and lets clicks through to them.
            auto* box = new QGroupBox(text, client);
            box->setFocusPolicy(Qt::NoFocus);
            box->setAttribute(Qt::WA_TransparentForMouseEvents);
            box->lower();
            return box;
        }
        auto* button = new QPushButton(text, client);
        button->setAutoDefault(false);
        return button;
    }
    case ControlClass::Edit: {
        auto* edit = new QLineEdit(client);
        edit->setFrame((item.style & WS_BORDER) != 0);
        return edit;
    }
    case ControlClass::TreeView: {
        auto* tree = new QTreeWidget(client);
        tree->setHeaderHidden(true);
        tree->setColumnCount(1);
        tree->setRootIsDecorated((item.style & TVS_LINESATROOT) != 0);
        tree->setFrameShape((item.style & WS_BORDER) != 0 ? QFrame::StyledPanel : QFrame::NoFrame);
        // A line is shown whole, never elided: the column grows with its widest item and
        // the tree scrolls sideways, as the classic tree view does.
        tree->setTextElideMode(Qt::ElideNone);
        tree->setItemDelegate(new WholeRows(tree));
        tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        tree->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        tree->header()->setStretchLastSection(false);
        tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
        // The classic style draws the dotted connecting lines and the boxed +/- buttons
        // the template asks for; the desktop's style may draw neither.
        if ((item.style & (TVS_HASLINES | TVS_HASBUTTONS)) != 0) {
            if (QStyle* classic = QStyleFactory::create("Windows")) {
                classic->setParent(tree);
                tree->setStyle(classic);
            }
        }
        return tree;
    }
    case ControlClass::Static:
        break;
    }
    switch (item.style & SS_TYPEMASK) {
    case SS_BLACKFRAME:
        return new BlackFrame(client);
    case SS_ICON: {
        auto* label = new QLabel(client);
        label->setPixmap(
            IconPixmap(LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(item.iconId))));
        return label;
    }
    default: {
        auto* label = new FittingLabel(text, client);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    }
}

} // namespace

DialogHost::~DialogHost() {
    for (const auto& h : handles) {
        LiveHandles().erase(h.get());
        if (h->object != nullptr)
            h->object->m_hWnd = nullptr;
    }
}

bool IsLive(HWND hwnd) {
    return hwnd != nullptr && LiveHandles().count(hwnd) != 0 && hwnd->live;
}

HWND HandleOf(const QObject* widget) {
    return WidgetHandles().value(widget, nullptr);
}

QWidget* FrameOf(HWND hwnd) {
    while (hwnd != nullptr && !hwnd->isDialog)
        hwnd = hwnd->parent;
    return hwnd != nullptr ? hwnd->frame.data() : nullptr;
}

HWND CreateDialogWindows(const DialogTemplate& tmpl, CWnd* object, QWidget* owner) {
    const bool owned = owner != nullptr;
    auto* frame = new QWidget(owner, owned ? Qt::Dialog : Qt::Window);
    frame->setWindowFlags((owned ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint);
    frame->setWindowTitle(QString::fromUtf8(tmpl.caption));
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    auto* host = new DialogHost(frame);

    auto* client = new QWidget(frame);
    client->setFont(DialogFont(tmpl.fontName, tmpl.pointSize));
    client->setFixedSize(DialogUnitsToPixelsX(tmpl.cx), DialogUnitsToPixelsY(tmpl.cy));
    client->setAutoFillBackground(true);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window,
                     QColor(GetRValue(kFaceColor), GetGValue(kFaceColor), GetBValue(kFaceColor)));
    client->setPalette(palette);

    HWND dialog = AddHandle(host, client);
    dialog->frame = frame;
    dialog->isDialog = true;
    dialog->style = tmpl.style;
    dialog->object = object;
    object->m_hWnd = dialog;
    WidgetHandles().insert(frame, dialog);
    frame->installEventFilter(WindowEventFilter());
    dialog->surface = gdi::Surface(client->width(), client->height(), kFaceColor);

    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(client);
    if (tmpl.menuId != 0)
        if (const MenuTemplate* menu = FindMenuTemplate(tmpl.menuId))
            BuildMenuBar(dialog, *menu, layout);
    if ((tmpl.style & WS_SYSMENU) != 0)
        BuildSystemMenu(dialog);

    for (const DialogItemTemplate& item : tmpl.items) {
        QWidget* widget = CreateControl(item, client);
        const RECT r = DialogItemPixels(item);
        if ((item.style & SS_TYPEMASK) == SS_ICON && item.kind == ControlClass::Static)
            widget->setGeometry(r.left, r.top, GetSystemMetrics(SM_CXICON),
                                GetSystemMetrics(SM_CYICON));
        else
            widget->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
        if ((item.style & WS_TABSTOP) == 0 && item.kind != ControlClass::Static)
            widget->setFocusPolicy(Qt::ClickFocus);
        HWND h = AddHandle(host, widget);
        h->parent = dialog;
        h->id = item.id;
        h->kind = item.kind;
        h->style = item.style;
        if (item.kind == ControlClass::Static && (item.style & SS_NOTIFY) != 0) {
            // It takes the pointer, and the keys once clicked.
            widget->setMouseTracking(true);
            widget->setFocusPolicy(Qt::ClickFocus);
        }
        const bool bordered =
            (item.style & WS_BORDER) != 0 &&
            (item.kind == ControlClass::Edit || item.kind == ControlClass::TreeView);
        h->clientInset = bordered ? 2 : 0;
        h->surface = gdi::Surface(std::max(0, widget->width() - 2 * h->clientInset),
                                  std::max(0, widget->height() - 2 * h->clientInset), kFaceColor);
        dialog->children.push_back(h);
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            const int id = item.id;
            QObject::connect(button, &QPushButton::clicked, button,
                             [dialog, id] { SendCommand(dialog, id); });
        }
        if (auto* tree = qobject_cast<QTreeWidget*>(widget))
            QObject::connect(tree, &QTreeWidget::itemDoubleClicked, tree,
                             [dialog, h] { SendNotify(dialog, h, NM_DBLCLK); });
    }
    return dialog;
}

HWND AttachWidget(HWND dialog, QWidget* widget) {
    auto* host = dialog->frame != nullptr ? dialog->frame->findChild<DialogHost*>() : nullptr;
    if (host == nullptr)
        return nullptr;
    host->handles.push_back(std::make_unique<HWND__>());
    HWND h = host->handles.back().get();
    h->widget = widget;
    h->parent = dialog;
    LiveHandles().insert(h);
    WidgetHandles().insert(widget, h);
    return h;
}

void ApplyFrameStyle(HWND dialog) {
    QWidget* frame = dialog->frame;
    QWidget* client = dialog->widget;
    if (frame == nullptr || client == nullptr)
        return;
    const bool sizable = (dialog->style & WS_THICKFRAME) != 0;
    // Never smaller than the template: its controls keep their places.
    const QSize least = client->minimumSize();
    client->setMinimumSize(least);
    client->setMaximumSize(sizable ? QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX) : least);
    if (QLayout* layout = frame->layout())
        layout->setSizeConstraint(sizable ? QLayout::SetMinimumSize : QLayout::SetFixedSize);
    Qt::WindowFlags flags = frame->windowFlags();
    flags.setFlag(Qt::WindowMaximizeButtonHint, (dialog->style & WS_MAXIMIZEBOX) != 0);
    flags.setFlag(Qt::WindowMinimizeButtonHint, (dialog->style & WS_MINIMIZEBOX) != 0);
    const bool shown = frame->isVisible();
    frame->setWindowFlags(flags);
    if (shown)
        frame->show();
}

void RetireDialogWindows(HWND dialog) {
    if (!IsLive(dialog))
        return;
    std::vector<HWND> all = dialog->children;
    all.push_back(dialog);
    for (HWND h : all) {
        h->live = false;
        WidgetHandles().remove(h->widget.data());
        if (h->object != nullptr) {
            h->object->m_hWnd = nullptr;
            h->object = nullptr;
        }
    }
    if (dialog->frame != nullptr) {
        WidgetHandles().remove(dialog->frame.data());
        dialog->frame->hide();
    }
}

} // namespace platform::window
