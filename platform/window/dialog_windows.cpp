// Builds a dialog's Qt widgets from its template and routes their events to the
// windows' objects: painting, keys, the close box, buttons and menu commands.
#include "platform/window/window_host.h"

#include "platform/codepage.h"
#include "platform/exceptions.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
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

void SendCommand(HWND dialog, int id) {
    if (IsLive(dialog))
        CWnd::FromHandle(dialog)->SendMessage(
            WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(BN_CLICKED)), 0);
}

// The id Enter sends: the focused push button's, else the default button's, else IDOK.
int EnterCommandId(HWND dialog) {
    QWidget* focus = dialog->frame != nullptr ? dialog->frame->focusWidget() : nullptr;
    if (auto* button = qobject_cast<QPushButton*>(focus)) {
        const HWND h = HandleOf(button);
        if (h != nullptr)
            return h->id;
    }
    for (HWND child : dialog->children)
        if (child->kind == ControlClass::Button && (child->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return child->id;
    return IDOK;
}

class WindowEvents : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const HWND h = WidgetHandles().value(watched, nullptr);
        if (h == nullptr || !IsLive(h))
            return false;
        switch (event->type()) {
        case QEvent::Paint:
            return watched == h->widget && Paint(h, static_cast<QPaintEvent*>(event));
        case QEvent::KeyPress:
            return h->isDialog && watched == h->frame && Key(h, static_cast<QKeyEvent*>(event));
        case QEvent::Close:
            if (h->isDialog && watched == h->frame) {
                event->ignore();
                CWnd::FromHandle(h)->SendMessage(WM_CLOSE);
                return true;
            }
            return false;
        default:
            return false;
        }
    }

private:
    static bool Paint(HWND h, QPaintEvent* event) {
        const QRect r = event->rect();
        h->paintRect = RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
        h->programPainted = false;
        CWnd::FromHandle(h)->SendMessage(WM_PAINT);
        if (!IsLive(h) || !h->programPainted || h->widget == nullptr)
            return false;
        const auto& s = h->surface;
        const QImage image(reinterpret_cast<const uchar*>(s.pixels.data()), s.width, s.height,
                           s.width * 4, QImage::Format_RGB32);
        QPainter painter(h->widget);
        if (h->clientInset > 0) {
            // The sunken border lies outside the client area; the desktop's style draws it.
            QStyleOptionFrame frame;
            frame.initFrom(h->widget);
            frame.lineWidth = 1;
            h->widget->style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter,
                                              h->widget);
        }
        painter.drawImage(h->clientInset, h->clientInset, image);
        return true;
    }
    static bool Key(HWND dialog, QKeyEvent* key) {
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (key->modifiers() & ~Qt::KeypadModifier)
                return false;
            SendCommand(dialog, EnterCommandId(dialog));
            return true;
        case Qt::Key_Escape:
            SendCommand(dialog, IDCANCEL);
            return true;
        case Qt::Key_F1:
            SendCommand(dialog, static_cast<int>(ID_HELP));
            return true;
        default:
            return false;
        }
    }
};

WindowEvents& Events() {
    static WindowEvents* events = new WindowEvents;
    return *events;
}

HWND AddHandle(DialogHost* host, QWidget* widget) {
    host->handles.push_back(std::make_unique<HWND__>());
    HWND h = host->handles.back().get();
    h->widget = widget;
    LiveHandles().insert(h);
    WidgetHandles().insert(widget, h);
    widget->installEventFilter(&Events());
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
        auto* label = new QLabel(text, client);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    }
}

void BuildMenuBar(HWND dialog, const MenuTemplate& tmpl, QVBoxLayout* layout) {
    auto bar = std::make_unique<HMENU__>();
    bar->bar = new QMenuBar(dialog->frame);
    bar->owner = dialog;
    for (const MenuItemTemplate& popup : tmpl.popups) {
        auto sub = std::make_unique<HMENU__>();
        sub->menu = bar->bar->addMenu(QString::fromUtf8(popup.text));
        sub->owner = dialog;
        for (const MenuItemTemplate& item : popup.popup)
            MenuObject(sub.get())->AppendMenu(MF_STRING, item.id, CString::FromUtf8(item.text));
        bar->popups.push_back(std::move(sub));
    }
    layout->setMenuBar(bar->bar);
    dialog->menuBar = std::move(bar);
}

void BuildSystemMenu(HWND dialog) {
    auto menu = std::make_unique<HMENU__>();
    menu->menu = new QMenu(dialog->frame);
    menu->owner = dialog;
    menu->system = true;
    struct Item {
        const char* text;
        UINT id;
    };
    // The items a desktop shows for a fixed-size window; what it can't do is greyed.
    static constexpr Item kItems[] = {{"还原(&R)", SC_RESTORE},      {"移动(&M)", SC_MOVE},
                                      {"大小(&S)", SC_SIZE},         {"最小化(&N)", SC_MINIMIZE},
                                      {"最大化(&X)", SC_MAXIMIZE},   {nullptr, 0},
                                      {"关闭(&C)\tAlt+F4", SC_CLOSE}};
    for (const Item& item : kItems) {
        if (item.text == nullptr) {
            MenuObject(menu.get())->AppendMenu(MF_SEPARATOR);
            continue;
        }
        MenuObject(menu.get())->AppendMenu(MF_STRING, item.id, CString::FromUtf8(item.text));
    }
    HMENU__* m = menu.get();
    QObject::connect(menu->menu, &QMenu::aboutToShow, menu->menu, [m, dialog] {
        const bool minimized = dialog->frame != nullptr && dialog->frame->isMinimized();
        for (QAction* a : m->menu->actions()) {
            const UINT id = a->data().toUInt();
            if (id == SC_RESTORE)
                a->setEnabled(minimized);
            else if (id == SC_SIZE || id == SC_MAXIMIZE)
                a->setEnabled(false);
            else if (id == SC_MOVE || id == SC_MINIMIZE)
                a->setEnabled(!minimized);
        }
    });
    dialog->systemMenu = std::move(menu);
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), dialog->frame);
    QObject::connect(shortcut, &QShortcut::activated, shortcut,
                     [dialog] { OpenSystemMenu(dialog); });
    if (dialog->menuBar != nullptr) {
        auto* button = new QToolButton(dialog->menuBar->bar);
        button->setAutoRaise(true);
        button->setObjectName("systemMenuButton");
        button->setFocusPolicy(Qt::NoFocus);
        QObject::connect(button, &QToolButton::clicked, button,
                         [dialog] { OpenSystemMenu(dialog); });
        dialog->menuBar->bar->setCornerWidget(button, Qt::TopLeftCorner);
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

HWND HandleOf(const QWidget* widget) {
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
    frame->installEventFilter(&Events());
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
    }
    return dialog;
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

void DeleteDialogFrame(QWidget* frame) {
    delete frame;
}

void OpenSystemMenu(HWND dialog) {
    if (!IsLive(dialog) || dialog->systemMenu == nullptr || dialog->frame == nullptr)
        return;
    QWidget* anchor = dialog->widget;
    if (dialog->menuBar != nullptr)
        if (QWidget* corner = dialog->menuBar->bar->cornerWidget(Qt::TopLeftCorner))
            anchor = corner;
    const QPoint at = anchor->mapToGlobal(QPoint(0, anchor->height()));
    dialog->systemMenu->menu->popup(at);
}

void ShowSystemMenuIcon(HWND dialog, const QPixmap& icon) {
    if (!IsLive(dialog) || dialog->menuBar == nullptr)
        return;
    if (auto* button =
            qobject_cast<QToolButton*>(dialog->menuBar->bar->cornerWidget(Qt::TopLeftCorner))) {
        button->setIcon(QIcon(icon));
        button->setIconSize(QSize(16, 16));
    }
}

CMenu* MenuObject(HMENU__* menu) {
    if (menu->object == nullptr) {
        menu->object = std::make_unique<CMenu>();
        menu->object->m_hMenu = menu;
    }
    return menu->object.get();
}

QString ToQString(LPCTSTR gbk) {
    return QString::fromStdString(platform::GbkToUtf8(gbk != nullptr ? gbk : ""));
}

CString FromQString(const QString& text) {
    return CString(platform::Utf8ToGbk(text.toStdString()));
}

QPixmap IconPixmap(HICON icon) {
    const IconResource* r = FindIconResource(icon);
    if (r == nullptr)
        return {};
    const QImage image(reinterpret_cast<const uchar*>(r->pixels.data()), r->size, r->size,
                       r->size * 4, QImage::Format_ARGB32);
    return QPixmap::fromImage(image.copy());
}

QFont DialogFont(const char* fontName, int pointSize) {
    QFont font = QApplication::font();
    // Song-style faces stand in for 宋体; "System" is the desktop's own face.
    if (fontName != nullptr && std::string_view(fontName) == "宋体")
        font.setFamilies({"AR PL UMing CN", "AR PL SungtiL GB", "Noto Serif CJK SC", "SimSun"});
    font.setPixelSize(MulDiv(pointSize, 96, 72));
    return font;
}

} // namespace platform::window
