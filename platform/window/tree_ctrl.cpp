// The report tree: items keep their exact code page 936 text and image indices; the
// tree shows each line without its line breaks.
#include "platform/window/controls.h"
#include "platform/window/window_host.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTreeWidget>

using platform::window::IsLive;
using platform::window::ToQString;

namespace {

constexpr int kTextRole = Qt::UserRole;      // the item's exact code page 936 bytes
constexpr int kImageRole = Qt::UserRole + 1; // image and selected image
constexpr int kSelectedImageRole = Qt::UserRole + 2;
constexpr int kDataRole = Qt::UserRole + 3; // the program's own value

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

BOOL CTreeCtrl::GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const {
    QTreeWidget* tree = TreeOf(m_hWnd);
    if (tree == nullptr || item == nullptr || rect == nullptr)
        return FALSE;
    QTreeWidgetItem* i = ItemOf(item);
    QRect row = tree->visualItemRect(i);
    if (textOnly) // the text's own width, not the column's
        row.setWidth(tree->fontMetrics().horizontalAdvance(i->text(0)) + 4);
    const QPoint at = tree->viewport()->mapTo(tree, row.topLeft()) -
                      QPoint(m_hWnd->clientInset, m_hWnd->clientInset);
    *rect = RECT{at.x(), at.y(), at.x() + row.width(), at.y() + row.height()};
    return TRUE;
}

BOOL SystemParametersInfo(UINT action, UINT /*param*/, void* value, UINT /*winIni*/) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (action != SPI_GETWORKAREA || value == nullptr || screen == nullptr)
        return FALSE;
    const QRect area = screen->availableGeometry();
    *static_cast<RECT*>(value) = RECT{area.left(), area.top(), area.right() + 1, area.bottom() + 1};
    return TRUE;
}

HTREEITEM CTreeCtrl::GetSelectedItem() const {
    QTreeWidget* tree = TreeOf(m_hWnd);
    return tree != nullptr ? HandleOfItem(tree->currentItem()) : nullptr;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data) {
    if (TreeOf(m_hWnd) == nullptr || item == nullptr)
        return FALSE;
    ItemOf(item)->setData(0, kDataRole, QVariant::fromValue<qulonglong>(data));
    return TRUE;
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const {
    if (TreeOf(m_hWnd) == nullptr || item == nullptr)
        return 0;
    return static_cast<DWORD_PTR>(ItemOf(item)->data(0, kDataRole).toULongLong());
}
