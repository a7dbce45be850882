// Window text, edits, trees and menus over their Qt widgets.
#include "platform/window/controls.h"

#include "platform/window/window_host.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

using platform::window::FromQString;
using platform::window::IsLive;
using platform::window::ToQString;

namespace {

constexpr int kTextRole = Qt::UserRole;      // the item's exact code page 936 bytes
constexpr int kImageRole = Qt::UserRole + 1; // image and selected image
constexpr int kSelectedImageRole = Qt::UserRole + 2;

QTreeWidget* TreeOf(HWND h) {
    return IsLive(h) ? qobject_cast<QTreeWidget*>(h->widget.data()) : nullptr;
}

QTreeWidgetItem* ItemOf(HTREEITEM item) {
    return reinterpret_cast<QTreeWidgetItem*>(item);
}

HTREEITEM HandleOfItem(QTreeWidgetItem* item) {
    return reinterpret_cast<HTREEITEM>(item);
}

// Line breaks and other control characters show as nothing in a tree's row.
QString Displayed(const QString& text) {
    QString shown;
    for (QChar c : text)
        if (c.unicode() >= 0x20)
            shown += c;
    return shown;
}

} // namespace

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

HTREEITEM CTreeCtrl::InsertItem(LPCTSTR text, HTREEITEM parent, HTREEITEM insertAfter) {
    return InsertItem(text, -1, -1, parent, insertAfter);
}

HTREEITEM CTreeCtrl::InsertItem(LPCTSTR text, int image, int selectedImage, HTREEITEM parent,
                                HTREEITEM /*insertAfter*/) {
    QTreeWidget* tree = TreeOf(m_hWnd);
    if (tree == nullptr)
        return nullptr;
    const QString t = ToQString(text);
    auto* item = new QTreeWidgetItem(QStringList{Displayed(t)});
    item->setData(0, kTextRole, QByteArray(text != nullptr ? text : ""));
    item->setData(0, kImageRole, image);
    item->setData(0, kSelectedImageRole, selectedImage);
    // Every node goes last among its parent's children; nothing expands or selects it.
    if (parent == TVI_ROOT || parent == nullptr)
        tree->addTopLevelItem(item);
    else
        ItemOf(parent)->addChild(item);
    return HandleOfItem(item);
}

BOOL CTreeCtrl::DeleteAllItems() {
    QTreeWidget* tree = TreeOf(m_hWnd);
    if (tree == nullptr)
        return FALSE;
    tree->clear();
    return TRUE;
}

UINT CTreeCtrl::GetCount() const {
    QTreeWidget* tree = TreeOf(m_hWnd);
    if (tree == nullptr)
        return 0;
    UINT count = 0;
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it)
        ++count;
    return count;
}

HTREEITEM CTreeCtrl::GetRootItem() const {
    QTreeWidget* tree = TreeOf(m_hWnd);
    return tree != nullptr && tree->topLevelItemCount() > 0 ? HandleOfItem(tree->topLevelItem(0))
                                                            : nullptr;
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const {
    if (item == nullptr || ItemOf(item)->childCount() == 0)
        return nullptr;
    return HandleOfItem(ItemOf(item)->child(0));
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
    QTreeWidget* tree = TreeOf(m_hWnd);
    if (tree == nullptr || item == nullptr)
        return nullptr;
    QTreeWidgetItem* i = ItemOf(item);
    if (QTreeWidgetItem* parent = i->parent()) {
        const int at = parent->indexOfChild(i);
        return at + 1 < parent->childCount() ? HandleOfItem(parent->child(at + 1)) : nullptr;
    }
    const int at = tree->indexOfTopLevelItem(i);
    return at + 1 < tree->topLevelItemCount() ? HandleOfItem(tree->topLevelItem(at + 1)) : nullptr;
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const {
    if (item == nullptr)
        return CString();
    const QByteArray bytes = ItemOf(item)->data(0, kTextRole).toByteArray();
    return CString(bytes.constData(), static_cast<int>(bytes.size()));
}

BOOL CTreeCtrl::GetItemImage(HTREEITEM item, int& image, int& selectedImage) const {
    if (item == nullptr)
        return FALSE;
    image = ItemOf(item)->data(0, kImageRole).toInt();
    selectedImage = ItemOf(item)->data(0, kSelectedImageRole).toInt();
    return TRUE;
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM item) const {
    return item != nullptr && ItemOf(item)->childCount() > 0;
}

UINT CTreeCtrl::GetItemState(HTREEITEM item, UINT mask) const {
    if (item == nullptr)
        return 0;
    UINT state = 0;
    if (ItemOf(item)->isExpanded())
        state |= TVIS_EXPANDED;
    if (ItemOf(item)->isSelected())
        state |= TVIS_SELECTED;
    return state & mask;
}

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
    if (m_hMenu == nullptr || position < 0 ||
        static_cast<size_t>(position) >= m_hMenu->popups.size())
        return nullptr;
    return platform::window::MenuObject(m_hMenu->popups[static_cast<size_t>(position)].get());
}

UINT CMenu::GetMenuState(UINT id, UINT /*flags*/) const {
    if (m_hMenu == nullptr || m_hMenu->menu == nullptr)
        return static_cast<UINT>(-1);
    for (QAction* a : m_hMenu->menu->actions())
        if (!a->isSeparator() && a->data().toUInt() == id)
            return a->isEnabled() ? MF_STRING : MF_GRAYED;
    return static_cast<UINT>(-1);
}
