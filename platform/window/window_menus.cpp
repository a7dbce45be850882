// Menus: the menu bar from its template, and the dialog's own system menu, which
// Linux window managers do not let a program extend.
#include "platform/window/window_host.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace platform::window {

void BuildMenuBar(HWND dialog, const MenuTemplate& tmpl, QVBoxLayout* layout) {
    auto bar = std::make_unique<HMENU__>();
    bar->bar = new QMenuBar(dialog->frame);
    bar->owner = dialog;
    for (const MenuItemTemplate& popup : tmpl.popups) {
        auto sub = std::make_unique<HMENU__>();
        sub->menu = bar->bar->addMenu(QString::fromUtf8(popup.text));
        sub->owner = dialog;
        if (popup.shortcut != nullptr) {
            // The key opens the pop-up; its title stays as the template gives it.
            auto* key =
                new QShortcut(QKeySequence(QString::fromUtf8(popup.shortcut)), dialog->frame);
            QMenuBar* menuBar = bar->bar;
            QMenu* opened = sub->menu;
            QObject::connect(key, &QShortcut::activated, menuBar,
                             [menuBar, opened] { menuBar->setActiveAction(opened->menuAction()); });
        }
        for (const MenuItemTemplate& item : popup.popup) {
            MenuObject(sub.get())->AppendMenu(MF_STRING, item.id, CString::FromUtf8(item.text));
            if (item.shortcut != nullptr) {
                QAction* action = sub->menu->actions().back();
                action->setShortcut(QKeySequence(QString::fromUtf8(item.shortcut)));
                action->setShortcutContext(Qt::WindowShortcut);
            }
        }
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

} // namespace platform::window

using platform::window::FromQString;
using platform::window::IsLive;
using platform::window::ToQString;

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, LPCTSTR text) {
    if (m_hMenu == nullptr || m_hMenu->menu == nullptr)
        return FALSE;
    if ((flags & MF_SEPARATOR) != 0) {
        m_hMenu->menu->addSeparator();
        return TRUE;
    }
    QAction* action = m_hMenu->menu->addAction(ToQString(text));
    action->setData(static_cast<uint>(id));
    action->setEnabled((flags & MF_GRAYED) == 0);
    HMENU__* menu = m_hMenu;
    const UINT command = static_cast<UINT>(id);
    QObject::connect(action, &QAction::triggered, action, [menu, command] {
        if (IsLive(menu->owner))
            CWnd::FromHandle(menu->owner)
                ->SendMessage(menu->system ? WM_SYSCOMMAND : WM_COMMAND, command, 0);
    });
    return TRUE;
}

CMenu* CMenu::InsertPopup(UINT position, LPCTSTR text) {
    if (m_hMenu == nullptr || m_hMenu->menu == nullptr)
        return nullptr;
    auto sub = std::make_unique<HMENU__>();
    sub->menu = new QMenu(ToQString(text), m_hMenu->menu);
    sub->owner = m_hMenu->owner;
    sub->system = m_hMenu->system;
    const auto actions = m_hMenu->menu->actions();
    QAction* before = position < static_cast<UINT>(actions.size())
                          ? actions[static_cast<int>(position)]
                          : nullptr;
    m_hMenu->menu->insertMenu(before, sub->menu);
    m_hMenu->popups.push_back(std::move(sub));
    return platform::window::MenuObject(m_hMenu->popups.back().get());
}

BOOL CMenu::DeleteMenu(UINT position, UINT flags) {
    if (m_hMenu == nullptr || m_hMenu->menu == nullptr)
        return FALSE;
    const auto actions = m_hMenu->menu->actions();
    QAction* gone = nullptr;
    if ((flags & MF_BYPOSITION) != 0) {
        if (position < static_cast<UINT>(actions.size()))
            gone = actions[static_cast<int>(position)];
    } else {
        for (QAction* a : actions)
            if (a->menu() == nullptr && !a->isSeparator() && a->data().toUInt() == position)
                gone = a;
    }
    if (gone == nullptr)
        return FALSE;
    m_hMenu->menu->removeAction(gone);
    auto& popups = m_hMenu->popups;
    for (auto it = popups.begin(); it != popups.end(); ++it)
        if ((*it)->menu != nullptr && (*it)->menu->menuAction() == gone) {
            (*it)->menu->deleteLater();
            popups.erase(it);
            return TRUE;
        }
    if (gone->parent() == m_hMenu->menu)
        gone->deleteLater();
    return TRUE;
}

UINT CMenu::GetMenuItemCount() const {
    if (m_hMenu == nullptr)
        return 0;
    if (m_hMenu->bar != nullptr)
        return static_cast<UINT>(m_hMenu->popups.size());
    return m_hMenu->menu != nullptr ? static_cast<UINT>(m_hMenu->menu->actions().size()) : 0;
}

UINT CMenu::GetMenuItemID(int position) const {
    if (m_hMenu == nullptr || position < 0 || m_hMenu->bar != nullptr)
        return static_cast<UINT>(-1);
    const auto actions = m_hMenu->menu->actions();
    if (position >= actions.size())
        return static_cast<UINT>(-1);
    if (actions[position]->menu() != nullptr)
        return static_cast<UINT>(-1);
    return actions[position]->isSeparator() ? 0 : actions[position]->data().toUInt();
}

int CMenu::GetMenuString(UINT position, CString& text, UINT /*flags*/) const {
    text = CString();
    if (m_hMenu == nullptr)
        return 0;
    if (m_hMenu->bar != nullptr) {
        if (position < m_hMenu->popups.size())
            text = FromQString(m_hMenu->popups[position]->menu->title());
    } else if (m_hMenu->menu != nullptr) {
        const auto actions = m_hMenu->menu->actions();
        if (position < static_cast<UINT>(actions.size()))
            text = FromQString(actions[static_cast<int>(position)]->text());
    }
    return text.GetLength();
}

CMenu* CMenu::GetSubMenu(int position) const {
    if (m_hMenu == nullptr || position < 0)
        return nullptr;
    if (m_hMenu->bar != nullptr)
        return static_cast<size_t>(position) < m_hMenu->popups.size()
                   ? platform::window::MenuObject(
                         m_hMenu->popups[static_cast<size_t>(position)].get())
                   : nullptr;
    // In a pop-up, the item at that place must itself be one.
    const auto actions = m_hMenu->menu != nullptr ? m_hMenu->menu->actions() : QList<QAction*>();
    if (position >= actions.size())
        return nullptr;
    for (const auto& popup : m_hMenu->popups)
        if (popup->menu != nullptr && popup->menu->menuAction() == actions[position])
            return platform::window::MenuObject(popup.get());
    return nullptr;
}

UINT CMenu::GetMenuState(UINT id, UINT /*flags*/) const {
    if (m_hMenu == nullptr || m_hMenu->menu == nullptr)
        return static_cast<UINT>(-1);
    for (QAction* a : m_hMenu->menu->actions())
        if (!a->isSeparator() && a->data().toUInt() == id)
            return a->isEnabled() ? MF_STRING : MF_GRAYED;
    return static_cast<UINT>(-1);
}
