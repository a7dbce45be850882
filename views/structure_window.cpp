#include "views/structure_window.h"

#include "platform/interaction.h"
#include "platform/window/window_host.h"
#include "views/hex_view.h"
#include "views/readers_panel.h"
#include "views/structure_picture.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

namespace views {

namespace {

// What Ctrl+C copies at most: a region can be gigabytes.
constexpr std::uint64_t kCopyLimit = 1 << 16;

using structure::HexOffset;

StructureViewHost& Host() {
    static StructureViewHost host;
    return host;
}

// A file named by the view (dropped, recent) opened in a view of its own.
void OpenInNewView(const std::string& nativePath) {
    if (!Host().open)
        return;
    if (auto model = Host().open(nativePath))
        ShowStructureView(std::move(model));
}

class StructureWindow : public QWidget {
public:
    explicit StructureWindow(std::unique_ptr<StructureModel> model, QWidget* owner)
        : QWidget(owner, Qt::Window), m_model(std::move(model)) {
        setObjectName("structureView");
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(QString::fromStdString(m_model->Title()));
        if (Host().icon != nullptr)
            setWindowIcon(QIcon(platform::window::IconPixmap(Host().icon)));
        setAcceptDrops(true);

        m_tree = new QTreeWidget;
        m_tree->setObjectName("fields");
        m_tree->setHeaderLabels({"名称", "偏移", "大小", "值", "含义"});
        for (const StructureModel::Node& node : m_model->Tree())
            AddNode(node, nullptr);
        m_tree->expandAll();
        // The pixel data's units come when its row is opened, a thousand at most a level.
        if (const auto region = m_model->UnitsRegion())
            if (QTreeWidgetItem* item = m_tree->topLevelItem(static_cast<int>(*region))) {
                MakeLazy(item, 0, kUnitsUncounted);
                item->setExpanded(false); // expandAll marks it open with no rows to show
            }
        connect(m_tree, &QTreeWidget::itemExpanded, this,
                [this](QTreeWidgetItem* item) { Fill(item); });
        for (int c = 0; c < 4; ++c)
            m_tree->resizeColumnToContents(c);

        m_findings = new QListWidget;
        m_findings->setObjectName("findings");
        m_findings->setWordWrap(true);
        for (const StructureModel::Finding& f : m_model->Findings()) {
            auto* item = new QListWidgetItem(QString::fromStdString(f.text), m_findings);
            item->setToolTip(item->text());
            if (f.error)
                item->setForeground(QColor(180, 0, 0));
        }
        if (m_model->Findings().empty())
            new QListWidgetItem("检查没有发现问题", m_findings);

        auto* left = new QSplitter(Qt::Vertical);
        left->addWidget(WithImages(m_tree));
        auto* findingsBox = new QWidget;
        auto* findingsLayout = new QVBoxLayout(findingsBox);
        findingsLayout->setContentsMargins(0, 0, 0, 0);
        findingsLayout->addWidget(new QLabel("检查结果（选择一项转到它的偏移）"));
        findingsLayout->addWidget(m_findings);
        m_readers = new ReadersPanel(*m_model);
        m_readers->setObjectName("otherReaders");
        auto* below = new QTabWidget;
        below->setObjectName("belowTree");
        below->addTab(findingsBox, "检查结果");
        below->addTab(m_readers, "其他读取程序");
        left->addWidget(below);
        left->setStretchFactor(0, 3);
        left->setStretchFactor(1, 1);

        m_hex = new HexView(m_model->Bytes());
        m_hex->setObjectName("hex");
        m_picture = new StructurePicture(*m_model);
        m_picture->setObjectName("picture");

        // As much of the screen as suits, the hex view at its natural width. The picture
        // stands beside it where the tree still has room for every column, else under it.
        const QRect screen = this->screen()->availableGeometry();
        resize(std::min(1500, screen.width() * 92 / 100),
               std::min(900, screen.height() * 88 / 100));
        const int hex = m_hex->sizeHint().width();
        m_hex->setFixedWidth(hex + 4);
        const int rest = std::max(0, width() - hex - 40);
        const bool beside = rest - kPictureBeside >= TreeWidthWanted();
        auto* panes = new QSplitter(Qt::Horizontal);
        panes->addWidget(left);
        if (beside) {
            panes->addWidget(m_hex);
            panes->addWidget(m_picture);
            panes->setSizes({rest - kPictureBeside, hex, kPictureBeside});
        } else {
            auto* right = new QSplitter(Qt::Vertical);
            right->addWidget(m_hex);
            right->addWidget(m_picture);
            right->setSizes({height() * 11 / 20, height() * 9 / 20});
            panes->addWidget(right);
            panes->setSizes({rest, hex});
        }
        panes->setStretchFactor(0, 1);
        panes->setStretchFactor(panes->count() - 1, beside ? 1 : 0);
        // 含义 takes what the other columns leave, its text elided (the whole is its
        // tooltip), so that no column is off the pane.
        m_tree->header()->setStretchLastSection(true);
        m_tree->setTextElideMode(Qt::ElideRight);

        m_status = new QLabel;
        m_status->setObjectName("status");
        m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // Room for a chosen pixel's decoding and another reader's colour under its place,
        // so that the panes stay put.
        m_status->setMinimumHeight(3 * m_status->fontMetrics().lineSpacing());
        m_status->setWordWrap(true);
        auto* layout = new QVBoxLayout(this);
        layout->setMenuBar(MenuBar());
        layout->addWidget(panes, 1);
        layout->addWidget(m_status);
        layout->addWidget(
            new QLabel("Ctrl+F 查找　Ctrl+G 转到偏移　方向键、Page Up/Down 在十六进制视图中移动　"
                       "Ctrl+C 复制所选字节"));

        connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
            if (!m_linking && item != nullptr)
                ChooseNode(*item);
        });
        connect(m_findings, &QListWidget::currentRowChanged, this, [this](int row) {
            if (!m_linking && row >= 0 &&
                static_cast<std::size_t>(row) < m_model->Findings().size())
                ChooseByte(m_model->Findings()[static_cast<std::size_t>(row)].offset);
        });
        m_hex->onByteChosen = [this](std::uint64_t at) { ChooseByte(at); };
        m_hex->onRangeChosen = [this](ByteRange r, std::uint64_t caret) { ChooseRange(r, caret); };
        m_picture->onPixelChosen = [this](std::int64_t x, std::int64_t y) { ChoosePixel(x, y); };
        m_readers->onLayer = [this](std::function<bool(std::int64_t, std::int64_t)> layer) {
            m_picture->SetLayer(layer ? std::move(layer) : m_compared);
        };
        auto* find = new QShortcut(QKeySequence::Find, this);
        connect(find, &QShortcut::activated, this, [this] { Find(); });
        auto* go = new QShortcut(QKeySequence("Ctrl+G"), this);
        connect(go, &QShortcut::activated, this, [this] { GoTo(); });
        auto* copy = new QShortcut(QKeySequence::Copy, this);
        copy->setContext(Qt::WindowShortcut);
        connect(copy, &QShortcut::activated, this, [this] { Copy(); });

        if (m_tree->topLevelItemCount() > 0)
            m_tree->setCurrentItem(m_tree->topLevelItem(0));
        m_hex->setFocus();
    }

    // Width of the picture when it stands beside the hex view.
    static constexpr int kPictureBeside = 420;

    // What the tree needs for its columns but 含义, and 含义 a fair share.
    int TreeWidthWanted() const {
        int wanted = 2 * m_tree->frameWidth() + 24 + 280;
        for (int c = 0; c < 4; ++c)
            wanted += m_tree->header()->sectionSize(c);
        return wanted;
    }

    // The other file's view, for a comparison: a pixel chosen here is chosen there.
    QPointer<StructureWindow> peer;

    void MarkDiffering(const std::vector<std::uint64_t>& offsets) {
        const std::set<std::uint64_t> at(offsets.begin(), offsets.end());
        for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it) {
            if ((*it)->childCount() > 0 || IsLazy(**it) || !at.count(RangeOf(**it).offset))
                continue;
            QFont bold = (*it)->font(0);
            bold.setBold(true);
            for (int c = 0; c < m_tree->columnCount(); ++c) {
                (*it)->setFont(c, bold);
                (*it)->setForeground(c, QColor(170, 0, 140));
            }
            (*it)->setToolTip(0, "与另一个文件不同");
        }
    }
    void SetLayer(std::function<bool(std::int64_t, std::int64_t)> layer) {
        m_compared = layer;
        m_picture->SetLayer(std::move(layer));
    }

    ~StructureWindow() override {
        m_readers->Halt(); // before the model and its bytes go
    }

    void Start(const StructureViewStart& start) {
        if (start.pixel)
            ChoosePixel(start.pixel->first, start.pixel->second);
        else if (start.offset)
            ChooseByte(*start.offset);
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (!LocalFiles(event->mimeData()).empty())
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override {
        const std::vector<std::string> files = LocalFiles(event->mimeData());
        event->acceptProposedAction();
        for (const std::string& path : files)
            OpenInNewView(path);
    }

private:
    static std::vector<std::string> LocalFiles(const QMimeData* data) {
        std::vector<std::string> files;
        if (data != nullptr && Host().open)
            for (const QUrl& url : data->urls())
                if (url.isLocalFile())
                    files.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        return files;
    }

    QMenuBar* MenuBar() {
        auto* bar = new QMenuBar(this);
        QMenu* file = bar->addMenu("文件(&F)");
        QAction* open = file->addAction("打开(&O)…", QKeySequence::Open, [this] {
            const std::string path = Host().choose ? Host().choose() : std::string();
            activateWindow();
            if (!path.empty())
                OpenInNewView(path);
        });
        open->setEnabled(static_cast<bool>(Host().choose));
        QMenu* recent = file->addMenu("最近打开的文件(&R)");
        recent->setObjectName("recent");
        connect(recent, &QMenu::aboutToShow, this, [recent] {
            recent->clear();
            const std::vector<std::string> files =
                Host().recent ? Host().recent() : std::vector<std::string>{};
            if (files.empty())
                recent->addAction("（无）")->setEnabled(false);
            for (std::size_t i = 0; i < files.size(); ++i) {
                const std::string path = files[i];
                recent->addAction(QString("&%1 %2").arg(i + 1).arg(QFile::decodeName(path.c_str())),
                                  [path] { OpenInNewView(path); });
            }
        });
        file->addSeparator();
        file->addAction("关闭(&C)", QKeySequence::Close, [this] { close(); });
        return bar;
    }

    // A bitmap array's images above the tree; choosing one puts a view of it in this
    // window's place.
    QWidget* WithImages(QWidget* tree) {
        const std::vector<std::string> images = m_model->Images();
        if (images.size() < 2)
            return tree;
        auto* box = new QWidget;
        auto* layout = new QVBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* list = new QComboBox;
        list->setObjectName("images");
        for (const std::string& line : images)
            list->addItem(QString::fromStdString(line));
        list->setCurrentIndex(static_cast<int>(m_model->Image()));
        auto* label = new QLabel("位图数组中的图像：");
        label->setBuddy(list);
        layout->addWidget(label);
        layout->addWidget(list);
        layout->addWidget(tree, 1);
        connect(list, &QComboBox::activated, this, [this](int index) {
            if (index < 0 || static_cast<std::size_t>(index) == m_model->Image())
                return;
            auto* next = new StructureWindow(m_model->OfImage(static_cast<std::size_t>(index)),
                                             parentWidget());
            next->setGeometry(geometry());
            next->show();
            next->activateWindow();
            close();
        });
        return box;
    }

    void AddNode(const StructureModel::Node& node, QTreeWidgetItem* parent) {
        QStringList columns;
        for (const std::string& c : node.columns)
            columns << QString::fromStdString(c);
        auto* item = parent != nullptr ? new QTreeWidgetItem(parent, columns)
                                       : new QTreeWidgetItem(m_tree, columns);
        item->setData(0, Qt::UserRole, QVariant::fromValue<qulonglong>(node.bytes.offset));
        item->setData(1, Qt::UserRole, QVariant::fromValue<qulonglong>(node.bytes.size));
        item->setToolTip(4, columns.value(4));
        if (node.cut)
            item->setForeground(0, QColor(180, 0, 0));
        if (node.swatch) {
            QPixmap swatch(14, 14);
            swatch.fill(QColor(QRgb(*node.swatch)));
            QPainter edge(&swatch);
            edge.setPen(Qt::darkGray);
            edge.drawRect(0, 0, 13, 13);
            item->setIcon(3, QIcon(swatch));
        }
        for (const StructureModel::Node& child : node.children)
            AddNode(child, item);
    }

    static constexpr int kFirstUnit = Qt::UserRole + 1, kEndUnit = Qt::UserRole + 2;
    // The pixel region's end: counting a stream's codes waits until they are asked for.
    static constexpr std::uint64_t kUnitsUncounted = UINT64_MAX;

    static void MakeLazy(QTreeWidgetItem* item, std::uint64_t first, std::uint64_t end) {
        item->setData(0, kFirstUnit, QVariant::fromValue<qulonglong>(first));
        item->setData(0, kEndUnit, QVariant::fromValue<qulonglong>(end));
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }

    static bool IsLazy(const QTreeWidgetItem& item) { return item.data(0, kEndUnit).isValid(); }

    // Units first..end of a row made when asked for: the units themselves, or groups of
    // them of 1000, 1000², … so that no row has more than a thousand children.
    void Fill(QTreeWidgetItem* item) {
        if (!IsLazy(*item) || item->childCount() > 0)
            return;
        const std::uint64_t first = item->data(0, kFirstUnit).toULongLong();
        std::uint64_t end = item->data(0, kEndUnit).toULongLong();
        if (end == kUnitsUncounted) {
            end = m_model->UnitCount();
            item->setData(0, kEndUnit, QVariant::fromValue<qulonglong>(end));
        }
        std::uint64_t group = 1;
        while (end - first > group * 1000)
            group *= 1000;
        for (std::uint64_t lo = first; lo < end; lo += group) {
            if (group == 1) {
                AddNode(m_model->Unit(lo), item);
                continue;
            }
            const std::uint64_t hi = std::min(end, lo + group);
            const ByteRange a = m_model->Unit(lo).bytes, b = m_model->Unit(hi - 1).bytes;
            auto* g = new QTreeWidgetItem(
                item, QStringList{QString("单元 %1–%2").arg(lo).arg(hi - 1),
                                  QString::fromStdString(HexOffset(a.offset)),
                                  QString::number(b.offset + b.size - a.offset)});
            g->setData(0, Qt::UserRole, QVariant::fromValue<qulonglong>(a.offset));
            g->setData(1, Qt::UserRole,
                       QVariant::fromValue<qulonglong>(b.offset + b.size - a.offset));
            MakeLazy(g, lo, hi);
        }
        // The offsets and sizes are wider deep in a file than in its headers.
        const QFontMetrics metrics(m_tree->font());
        for (int c = 1; c <= 2; ++c) {
            int wide = m_tree->header()->sectionSize(c);
            for (int i = 0; i < item->childCount(); ++i)
                wide = std::max(wide, metrics.horizontalAdvance(item->child(i)->text(c)) + 16);
            m_tree->header()->resizeSection(c, wide);
        }
    }

    // Down from a row of units to the one that holds unit index, filling rows on the way.
    QTreeWidgetItem* UnitItem(QTreeWidgetItem* item, std::uint64_t index, std::uint64_t at) {
        while (item != nullptr && IsLazy(*item)) {
            Fill(item);
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; i < item->childCount() && next == nullptr; ++i) {
                QTreeWidgetItem* c = item->child(i);
                const std::uint64_t first = c->data(0, kFirstUnit).toULongLong(),
                                    end = c->data(0, kEndUnit).toULongLong();
                if (IsLazy(*c)
                        ? first <= index && index < end
                        : i == static_cast<int>(index - item->data(0, kFirstUnit).toULongLong()))
                    next = c;
            }
            if (next == nullptr)
                return item;
            item = next;
        }
        // A Huffman row's code.
        for (int i = 0; item != nullptr && i < item->childCount(); ++i)
            if (RangeOf(*item->child(i)).Holds(at))
                return item->child(i);
        return item;
    }

    static ByteRange RangeOf(const QTreeWidgetItem& item) {
        return ByteRange{item.data(0, Qt::UserRole).toULongLong(),
                         item.data(1, Qt::UserRole).toULongLong()};
    }

    // The row the model says holds the offset.
    QTreeWidgetItem* ItemAt(std::uint64_t at) {
        QTreeWidgetItem* item = nullptr;
        for (const std::size_t i : m_model->PathAt(at)) {
            const int row = static_cast<int>(i);
            item = item == nullptr ? m_tree->topLevelItem(row) : item->child(row);
            if (item == nullptr)
                break;
        }
        if (item != nullptr && IsLazy(*item))
            if (const auto unit = m_model->UnitAt(at))
                return UnitItem(item, *unit, at);
        return item;
    }

    void Select(QTreeWidgetItem* item) {
        m_linking = true;
        m_tree->setCurrentItem(item);
        if (item != nullptr)
            m_tree->scrollToItem(item);
        m_linking = false;
    }

    void Show(ByteRange chosen, std::uint64_t caret, std::optional<PixelSpan> pixels,
              const QTreeWidgetItem* item) {
        ClearMarks();
        m_hex->Show(chosen, caret);
        m_picture->Mark(pixels);
        std::string text = "偏移 " + HexOffset(caret) + "（" + std::to_string(caret) + "）";
        if (item != nullptr) {
            text += "　" + item->text(0).toStdString();
            if (!item->text(3).isEmpty())
                text += " = " + item->text(3).toStdString();
            if (!item->text(4).isEmpty())
                text += "：" + item->text(4).toStdString();
        }
        if (chosen.size > 0)
            text += "　已选 " + HexOffset(chosen.offset) + "–" +
                    HexOffset(chosen.offset + chosen.size - 1) + "，" +
                    std::to_string(chosen.size) + " 字节";
        if (pixels)
            text += "　像素 (" + std::to_string(pixels->x0) +
                    (pixels->x1 != pixels->x0 ? "–" + std::to_string(pixels->x1) : "") + ", " +
                    std::to_string(pixels->y) + ")";
        m_status->setText(QString::fromStdString(text));
    }

    void ChooseNode(const QTreeWidgetItem& item) {
        const ByteRange bytes = RangeOf(item);
        Show(bytes, bytes.offset, m_model->PixelsOf(bytes.offset), &item);
    }

    void ChooseByte(std::uint64_t at) {
        const std::uint64_t size = m_model->Bytes().size();
        if (size == 0)
            return;
        at = std::min(at, size - 1);
        QTreeWidgetItem* item = ItemAt(at);
        Select(item);
        const auto pixels = m_model->PixelsOf(at);
        // A field is chosen whole; inside the pixels, the bytes of the pixel or code.
        ByteRange chosen{at, 1};
        if (pixels) {
            if (const auto held = m_model->BytesOf(pixels->x0, pixels->y); held && held->Holds(at))
                chosen = *held;
        } else if (item != nullptr && item->parent() != nullptr) {
            chosen = RangeOf(*item);
        }
        Show(chosen, at, pixels, item);
    }

    // Bytes of the user's own: the rows of the tree they touch are marked, and so are the
    // pixels they hold.
    void ChooseRange(ByteRange r, std::uint64_t caret) {
        QTreeWidgetItem* item = ItemAt(caret);
        Select(item);
        Show(r, caret, std::nullopt, item);
        int touched = 0;
        for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it) {
            const ByteRange b = RangeOf(**it);
            const bool hit =
                b.size > 0 && b.offset < r.offset + r.size && r.offset < b.offset + b.size;
            (*it)->setBackground(0, hit ? QBrush(QColor(255, 236, 179)) : QBrush());
            touched += hit && (*it)->childCount() == 0 ? 1 : 0;
        }
        m_marked = true;
        const std::vector<PixelSpan> spans = SpansIn(r);
        m_picture->Mark(spans);
        std::int64_t pixels = 0;
        for (const PixelSpan& s : spans)
            pixels += s.x1 - s.x0 + 1;
        m_status->setText(m_status->text() + QString("　涉及 %1 行字段").arg(touched) +
                          (spans.empty() ? QString() : QString("、%1 个像素").arg(pixels)) +
                          (spans.size() >= kMostSpans ? "（只数了前面的）" : ""));
    }

    static constexpr std::size_t kMostSpans = 4096;

    // The pixels the bytes hold, row by row, found pixel run by pixel run; a range of
    // gigabytes gives the first few thousand spans.
    std::vector<PixelSpan> SpansIn(ByteRange r) const {
        std::vector<PixelSpan> spans;
        const std::uint64_t end = r.offset + r.size;
        std::uint64_t looked = 0;
        for (std::uint64_t at = r.offset;
             at < end && spans.size() < kMostSpans && looked < (1u << 20); ++looked) {
            const auto span = m_model->PixelsOf(at);
            if (!span) {
                ++at;
                continue;
            }
            if (!spans.empty() && spans.back().y == span->y && spans.back().x1 + 1 >= span->x0)
                spans.back().x1 = std::max(spans.back().x1, span->x1);
            else
                spans.push_back(*span);
            const auto held = m_model->BytesOf(span->x1, span->y);
            at = held && held->offset + held->size > at ? held->offset + held->size : at + 1;
        }
        return spans;
    }

    // Marks of a range chosen go once anything else is.
    void ClearMarks() {
        if (!m_marked)
            return;
        m_marked = false;
        for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it)
            (*it)->setBackground(0, QBrush());
    }

    void ChoosePixel(std::int64_t x, std::int64_t y) {
        ShowPixel(x, y);
        if (peer != nullptr)
            peer->ShowPixel(x, y);
    }

    void ShowPixel(std::int64_t x, std::int64_t y) {
        const auto bytes = m_model->BytesOf(x, y);
        const std::string decoding = m_model->Decoding(x, y);
        const std::string reader = m_readers->PixelNote(x, y);
        if (!bytes) {
            m_picture->Mark(PixelSpan{x, x, y});
            m_status->setText(QString::fromStdString(
                "像素 (" + std::to_string(x) + ", " + std::to_string(y) + ") 没有文件中的字节" +
                (decoding.empty() ? "" : "；" + decoding) + (reader.empty() ? "" : "\n" + reader)));
            return;
        }
        QTreeWidgetItem* item = ItemAt(bytes->offset);
        Select(item);
        Show(*bytes, bytes->offset, PixelSpan{x, x, y}, item);
        if (!decoding.empty())
            m_status->setText(m_status->text() + "\n" + QString::fromStdString(decoding));
        if (!reader.empty())
            m_status->setText(m_status->text() + "\n" + QString::fromStdString(reader));
    }

    void GoTo() {
        const std::uint64_t size = m_model->Bytes().size();
        if (size == 0)
            return;
        QInputDialog dialog(this);
        dialog.setObjectName("goTo");
        dialog.setWindowTitle("转到偏移");
        dialog.setLabelText(QString::fromStdString("偏移（0x 开头为十六进制，否则为十进制；0 到 " +
                                                   HexOffset(size - 1) + "）："));
        dialog.setTextValue(QString::fromStdString(HexOffset(m_hex->Caret())));
        dialog.setOkButtonText("转到");
        dialog.setCancelButtonText("取消");
        const int answer = dialog.exec();
        // The keys go on to the hex view, whichever window the dialog handed back to.
        activateWindow();
        m_hex->setFocus();
        if (answer != QDialog::Accepted)
            return;
        const auto at = ParseOffset(dialog.textValue().toStdString());
        if (!at || *at >= size) {
            QMessageBox box(QMessageBox::Warning, "转到偏移",
                            QString::fromStdString("“" + dialog.textValue().toStdString() +
                                                   "” 不是这个文件里的偏移：文件有 " +
                                                   std::to_string(size) + " 字节。"),
                            QMessageBox::Ok, this);
            box.exec();
            activateWindow();
            return;
        }
        ChooseByte(*at);
        m_hex->setFocus();
    }

    // Ctrl+F: a field by its name, bytes by their hex digits, or an offset; each search
    // goes on from where the last stopped and comes round from the start.
    void Find() {
        QInputDialog dialog(this);
        dialog.setObjectName("find");
        dialog.setWindowTitle("查找");
        dialog.setLabelText("字段名、十六进制字节（如 42 4D）或偏移（0x1A 或 26）：");
        dialog.setTextValue(m_lastFind);
        dialog.setOkButtonText("查找");
        dialog.setCancelButtonText("取消");
        const int answer = dialog.exec();
        activateWindow();
        m_hex->setFocus();
        const QString text = dialog.textValue().trimmed();
        if (answer != QDialog::Accepted || text.isEmpty())
            return;
        m_lastFind = text;
        const std::string typed = text.toStdString();
        if (const auto at = FindText(typed)) {
            ChooseByte(*at);
            return;
        }
        if (const auto bytes = HexBytes(typed)) {
            if (const auto at = FindBytes(*bytes)) {
                QTreeWidgetItem* item = ItemAt(*at);
                Select(item);
                Show(ByteRange{*at, bytes->size()}, *at, m_model->PixelsOf(*at), item);
                return;
            }
        }
        // A name may be hex digits too ("Bad1"): when no bytes match, a name may.
        if (QTreeWidgetItem* item = FindName(text)) {
            Select(item);
            ChooseNode(*item);
            return;
        }
        m_status->setText("没有找到“" + text + "”");
    }

    // An offset as Ctrl+G takes it, when it is one: 0x…, …h or decimal digits alone.
    std::optional<std::uint64_t> FindText(const std::string& typed) const {
        const bool decimal =
            std::all_of(typed.begin(), typed.end(), [](char c) { return c >= '0' && c <= '9'; });
        const bool hex = typed.rfind("0x", 0) == 0 || typed.rfind("0X", 0) == 0 ||
                         (typed.size() > 1 && (typed.back() == 'h' || typed.back() == 'H'));
        const auto at = decimal || hex ? ParseOffset(typed) : std::nullopt;
        return at && *at < m_model->Bytes().size() ? at : std::nullopt;
    }

    // "42 4D", "424d": whole bytes of hex digits.
    static std::optional<std::vector<std::uint8_t>> HexBytes(const std::string& typed) {
        std::string digits;
        for (char c : typed)
            if (c != ' ')
                digits += c;
        const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
        if (digits.empty() || digits.size() % 2 != 0 ||
            !std::all_of(digits.begin(), digits.end(), isHex))
            return std::nullopt;
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < digits.size(); i += 2)
            bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
        return bytes;
    }

    std::optional<std::uint64_t> FindBytes(const std::vector<std::uint8_t>& wanted) const {
        const auto bytes = m_model->Bytes();
        const std::uint64_t from = std::min<std::uint64_t>(m_hex->Caret() + 1, bytes.size());
        const auto look = [&](std::size_t a, std::size_t b) -> std::optional<std::uint64_t> {
            const auto it = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(a),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(b),
                                        wanted.begin(), wanted.end());
            if (it == bytes.begin() + static_cast<std::ptrdiff_t>(b))
                return std::nullopt;
            return static_cast<std::uint64_t>(it - bytes.begin());
        };
        if (auto at = look(from, bytes.size()))
            return at;
        return look(0, std::min<std::size_t>(bytes.size(), from + wanted.size() - 1));
    }

    // The next row after the chosen one whose name holds the text, any case.
    QTreeWidgetItem* FindName(const QString& text) const {
        std::vector<QTreeWidgetItem*> rows;
        for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it)
            rows.push_back(*it);
        const auto current = std::find(rows.begin(), rows.end(), m_tree->currentItem());
        const std::size_t start =
            current == rows.end() ? 0 : static_cast<std::size_t>(current - rows.begin()) + 1;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            QTreeWidgetItem* item = rows[(start + k) % rows.size()];
            if (item->text(0).contains(text, Qt::CaseInsensitive))
                return item;
        }
        return nullptr;
    }

    void Copy() {
        const ByteRange chosen = m_hex->Chosen();
        const auto bytes = m_model->Bytes();
        if (chosen.size == 0 || chosen.offset >= bytes.size())
            return;
        const std::uint64_t n = std::min({chosen.size, bytes.size() - chosen.offset, kCopyLimit});
        std::string text;
        text.reserve(n * 3);
        for (std::uint64_t k = 0; k < n; ++k) {
            const std::uint8_t b = bytes[chosen.offset + k];
            text += "0123456789ABCDEF"[b >> 4];
            text += "0123456789ABCDEF"[b & 15];
            text += k + 1 < n ? (k % 16 == 15 ? '\n' : ' ') : '\n';
        }
        platform::CurrentInteraction().SetClipboardText(text);
        m_status->setText(QString::fromStdString(
            "已复制 " + std::to_string(n) + " 字节" +
            (n < chosen.size ? "（所选的前 " + std::to_string(n) + " 字节）" : "")));
    }

    std::unique_ptr<StructureModel> m_model;
    QTreeWidget* m_tree;
    QListWidget* m_findings;
    HexView* m_hex;
    StructurePicture* m_picture;
    ReadersPanel* m_readers;
    QLabel* m_status;
    std::function<bool(std::int64_t, std::int64_t)> m_compared; // the other file's differences
    bool m_linking = false;
    QString m_lastFind;
    bool m_marked = false; // rows of the tree marked for a range chosen
};

} // namespace

void SetStructureViewHost(StructureViewHost host) {
    Host() = std::move(host);
}

void ShowStructureView(std::unique_ptr<StructureModel> model, StructureViewStart start) {
    // Owned by the modal window in front, if any, so that it is not blocked by it.
    QWidget* last = nullptr;
    int open = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "structureView" && w->isVisible())
            last = w, ++open;
    auto* window = new StructureWindow(std::move(model), QApplication::activeModalWidget());
    if (last != nullptr) {
        // Down and to the right of the last one; from the top left again at the screen's edge.
        const QRect screen = last->screen()->availableGeometry();
        QPoint at = last->pos() + QPoint(40, 40);
        if (at.x() + window->width() > screen.right() ||
            at.y() + window->height() > screen.bottom())
            at = screen.topLeft() + QPoint(40, 40) * (open % 4);
        window->move(at);
    }
    window->show();
    window->raise();
    window->activateWindow();
    window->Start(start);
}

void ShowComparedViews(std::unique_ptr<StructureModel> a, std::unique_ptr<StructureModel> b,
                       ComparedViews compared) {
    auto* left = new StructureWindow(std::move(a), QApplication::activeModalWidget());
    auto* right = new StructureWindow(std::move(b), QApplication::activeModalWidget());
    left->peer = right;
    right->peer = left;
    left->MarkDiffering(compared.differingA);
    right->MarkDiffering(compared.differingB);
    if (compared.differs) {
        left->SetLayer(compared.differs);
        right->SetLayer(compared.differs);
    }
    // Each half of the screen.
    const QRect screen = left->screen()->availableGeometry();
    const int half = screen.width() / 2;
    left->setGeometry(screen.left(), screen.top() + 30, half - 8, screen.height() - 60);
    right->setGeometry(screen.left() + half, screen.top() + 30, half - 8, screen.height() - 60);
    for (StructureWindow* w : {left, right}) {
        w->show();
        w->raise();
    }
    right->activateWindow();
}

int RunStructureView(std::unique_ptr<StructureModel> model) {
    ShowStructureView(std::move(model));
    return QApplication::exec();
}

} // namespace views
