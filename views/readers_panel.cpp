#include "views/readers_panel.h"

#include "inspect/compare_pixels.h"
#include "structure/structure_model.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdio>

namespace views {

namespace {

enum Column { kName, kVersion, kVerdict, kWhy };

QString VerdictText(readers::Verdict v) {
    using readers::Verdict;
    switch (v) {
    case Verdict::Same:
        return "相同";
    case Verdict::Differs:
        return "不同";
    case Verdict::Refused:
        return "拒绝读取";
    case Verdict::Crashed:
        return "崩溃";
    case Verdict::Timeout:
        return "超时";
    case Verdict::Stopped:
        return "已停止";
    case Verdict::Missing:
        break;
    }
    return "未安装";
}

QColor VerdictColour(readers::Verdict v) {
    using readers::Verdict;
    switch (v) {
    case Verdict::Same:
        return QColor(0, 110, 0);
    case Verdict::Differs:
    case Verdict::Crashed:
    case Verdict::Timeout:
        return QColor(180, 0, 0);
    default:
        return QColor(90, 90, 90);
    }
}

// What a cause means, beside the name the command line gives it.
std::string CauseText(inspect::Cause c) {
    using inspect::Cause;
    switch (c) {
    case Cause::SkippedPixels:
        return "游程编码没有设置的像素";
    case Cause::PaletteIndex:
        return "颜色表之外的索引";
    case Cause::ChannelWidening:
        return "窄通道扩展为 8 位的方法不同";
    case Cause::Alpha:
        return "第四个字节或透明度掩码";
    case Cause::Masks:
        return "掩码的读法";
    case Cause::ColourProfile:
        return "颜色空间或配置文件";
    case Cause::Orientation:
        return "图像上下颠倒";
    case Cause::Size:
        return "尺寸不同";
    case Cause::Other:
        break;
    }
    return "其他";
}

std::string Rgba(const std::uint8_t* p) {
    char text[48];
    std::snprintf(text, sizeof text, "RGBA %d,%d,%d,%d", p[0], p[1], p[2], p[3]);
    return text;
}

// The verdict's one line: the differences and their causes, or the reader's own words.
std::string Why(const readers::ReaderVerdict& v, const std::string& refusal) {
    using readers::Verdict;
    switch (v.verdict) {
    case Verdict::Same:
        return "与 Pixscope 读出的图像相同";
    case Verdict::Differs: {
        if (!refusal.empty())
            return "Pixscope 不读出图像（" + refusal + "），它读出 " + std::to_string(v.width) +
                   " × " + std::to_string(v.height);
        if (!v.difference.sameSize)
            return "它读出 " + std::to_string(v.width) + " × " + std::to_string(v.height) +
                   "，尺寸不同";
        std::string text = std::to_string(v.difference.pixels.differ) + " 个像素不同：";
        for (std::size_t i = 0; i < v.difference.causes.size(); ++i) {
            const inspect::CauseCount& c = v.difference.causes[i];
            text += (i == 0 ? "" : "；") + CauseText(c.cause) + "（" + inspect::CauseName(c.cause) +
                    "）" + std::to_string(c.pixels);
        }
        return text;
    }
    case Verdict::Missing:
        return "没有装在本机上；Debian 软件包 " + v.package;
    case Verdict::Stopped:
        return "在读完之前停止了";
    default:
        return v.message;
    }
}

// A verdict as posted from the workers: its picture stays behind, the result brings it.
readers::ReaderVerdict WithoutPicture(const readers::ReaderVerdict& v) {
    readers::ReaderVerdict shown;
    shown.name = v.name, shown.version = v.version, shown.package = v.package;
    shown.verdict = v.verdict, shown.message = v.message;
    shown.width = v.width, shown.height = v.height;
    shown.difference = v.difference;
    return shown;
}

} // namespace

ReadersPanel::ReadersPanel(const structure::StructureModel& model, QWidget* parent)
    : QWidget(parent), m_model(model) {
    m_run = new QPushButton("运行");
    m_run->setObjectName("runReaders");
    m_stopButton = new QPushButton("停止");
    m_stopButton->setObjectName("stopReaders");
    m_stopButton->setEnabled(false);
    m_progress = new QLabel;
    m_progress->setObjectName("readersProgress");
    m_progress->setWordWrap(true);
    m_list = new QTreeWidget;
    m_list->setObjectName("readers");
    m_list->setHeaderLabels({"读取程序", "版本", "结论", "说明"});
    m_list->setRootIsDecorated(false);
    m_list->header()->setStretchLastSection(true);
    m_list->setTextElideMode(Qt::ElideRight);
    m_chosenLine = new QLabel;
    m_chosenLine->setObjectName("readerChosen");
    m_chosenLine->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_run);
    buttons->addWidget(m_stopButton);
    buttons->addWidget(m_progress, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_chosenLine);

    if (model.Image() != 0) {
        // The readers open the file, and a file's picture is its first.
        m_run->setEnabled(false);
        m_progress->setText("其他读取程序只读文件的第一个图像；请在第一个图像的视图里运行。");
    } else {
        m_progress->setText("把这个文件交给本机装有的每个读取程序，与 Pixscope 读出的图像比较。");
    }
    connect(m_run, &QPushButton::clicked, this, [this] { Run(); });
    connect(m_stopButton, &QPushButton::clicked, this, [this] { Stop(); });
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { Choose(); });
}

ReadersPanel::~ReadersPanel() {
    Halt();
}

void ReadersPanel::Halt() {
    m_stop = true;
    if (m_worker.joinable())
        m_worker.join();
}

void ReadersPanel::Run() {
    Halt();
    m_stop = false;
    const unsigned run = ++m_runs;
    m_ended = 0;
    m_result.reset();
    m_list->clear();
    Choose();
    m_run->setEnabled(false);
    m_stopButton->setEnabled(true);
    m_progress->setText("正在查找读取程序…");
    const std::span<const std::uint8_t> bytes = m_model.Bytes();
    const std::string name = m_model.Name();
    m_worker = std::thread([this, run, bytes, name] {
        readers::Options options;
        options.stop = &m_stop;
        options.keepOurs = true;
        const std::vector<readers::Installed> found = readers::FindReaders(options);
        QMetaObject::invokeMethod(
            this, [this, run, found] { Listed(run, found); }, Qt::QueuedConnection);
        auto result = std::make_shared<const readers::FileVerdicts>(readers::JudgeBytes(
            bytes, name, found, options, [this, run](const readers::ReaderVerdict& v) {
                QMetaObject::invokeMethod(
                    this, [this, run, shown = WithoutPicture(v)] { Ended(run, shown); },
                    Qt::QueuedConnection);
            }));
        QMetaObject::invokeMethod(
            this, [this, run, result] { Finished(run, result); }, Qt::QueuedConnection);
    });
}

void ReadersPanel::Stop() {
    m_stop = true;
    m_stopButton->setEnabled(false);
    m_progress->setText("正在停止…");
}

void ReadersPanel::Listed(unsigned run, const std::vector<readers::Installed>& found) {
    if (run != m_runs)
        return;
    for (const readers::Installed& r : found) {
        auto* item = new QTreeWidgetItem(
            m_list,
            QStringList{QString::fromStdString(r.kind->name), QString::fromStdString(r.version),
                        r.program.empty() ? VerdictText(readers::Verdict::Missing)
                                          : QString("运行中…"),
                        QString()});
        item->setData(kName, Qt::UserRole, QString::fromStdString(r.kind->name));
    }
    for (int c = kName; c <= kVerdict; ++c)
        m_list->resizeColumnToContents(c);
    if (!m_stop)
        m_progress->setText(QString("正在运行：已结束 0 / %1 个读取程序").arg(found.size()));
}

void ReadersPanel::Ended(unsigned run, const readers::ReaderVerdict& v) {
    if (run != m_runs)
        return;
    ++m_ended;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->data(kName, Qt::UserRole).toString().toStdString() != v.name)
            continue;
        item->setText(kVerdict, VerdictText(v.verdict));
        item->setForeground(kVerdict, VerdictColour(v.verdict));
        const QString why = QString::fromStdString(Why(v, ""));
        item->setText(kWhy, why);
        item->setToolTip(kWhy, why);
    }
    if (!m_stop)
        m_progress->setText(QString("正在运行：已结束 %1 / %2 个读取程序")
                                .arg(m_ended)
                                .arg(m_list->topLevelItemCount()));
}

void ReadersPanel::Finished(unsigned run, std::shared_ptr<const readers::FileVerdicts> result) {
    if (run != m_runs)
        return;
    if (m_worker.joinable())
        m_worker.join(); // it has posted its last
    const bool stopped = m_stop;
    m_result = std::move(result);
    for (const readers::ReaderVerdict& v : m_result->readers)
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = m_list->topLevelItem(i);
            if (item->data(kName, Qt::UserRole).toString().toStdString() != v.name)
                continue;
            item->setText(kVersion, QString::fromStdString(v.version));
            item->setText(kVerdict, VerdictText(v.verdict));
            item->setForeground(kVerdict, VerdictColour(v.verdict));
            const QString why = QString::fromStdString(Why(v, m_result->refusal));
            item->setText(kWhy, why);
            item->setToolTip(kWhy, why);
        }
    for (int c = kName; c <= kVerdict; ++c)
        m_list->resizeColumnToContents(c);
    m_progress->setText(QString::fromStdString(Tally(stopped ? "已停止：" : "")));
    m_run->setText("再次运行");
    m_run->setEnabled(true);
    m_stopButton->setEnabled(false);
    Choose();
}

std::string ReadersPanel::Tally(const char* before) const {
    std::size_t counts[7] = {};
    for (const readers::ReaderVerdict& v : m_result->readers)
        ++counts[static_cast<int>(v.verdict)];
    std::string text = before + std::to_string(m_result->readers.size()) + " 个读取程序：";
    bool first = true;
    for (readers::Verdict v :
         {readers::Verdict::Same, readers::Verdict::Differs, readers::Verdict::Refused,
          readers::Verdict::Crashed, readers::Verdict::Timeout, readers::Verdict::Stopped,
          readers::Verdict::Missing}) {
        if (counts[static_cast<int>(v)] == 0)
            continue;
        text += (first ? "" : "，") + VerdictText(v).toStdString() + " " +
                std::to_string(counts[static_cast<int>(v)]);
        first = false;
    }
    if (counts[static_cast<int>(readers::Verdict::Differs)] > 0)
        text += "。选择一个读得不同的读取程序，在图像上标出那些像素。";
    return text;
}

const readers::ReaderVerdict* ReadersPanel::Chosen() const {
    const QTreeWidgetItem* item = m_list->currentItem();
    if (item == nullptr || !m_result)
        return nullptr;
    const std::string name = item->data(kName, Qt::UserRole).toString().toStdString();
    for (const readers::ReaderVerdict& v : m_result->readers)
        if (v.name == name)
            return &v;
    return nullptr;
}

void ReadersPanel::Choose() {
    const readers::ReaderVerdict* v = Chosen();
    const codecs::RgbaPicture* ours = m_result ? &m_result->picture : nullptr;
    const bool shown = v != nullptr && v->verdict == readers::Verdict::Differs && ours != nullptr &&
                       !ours->rgba.empty() && v->picture.width == ours->width &&
                       v->picture.height == ours->height &&
                       v->picture.rgba.size() == ours->rgba.size();
    if (!shown) {
        m_chosenLine->setText(v != nullptr && v->verdict == readers::Verdict::Same
                                  ? QString::fromStdString(v->name + " 与 Pixscope 读得一样")
                                  : QString());
        if (onLayer)
            onLayer({});
        return;
    }
    m_chosenLine->setText(QString::fromStdString(
        "图像上以品红标出 " + v->name + " 读得与 Pixscope 不同的 " +
        std::to_string(v->difference.pixels.differ) + " 个像素；选择一个像素，看它读出的颜色"));
    if (onLayer) {
        const std::shared_ptr<const readers::FileVerdicts> result = m_result;
        onLayer([result, v](std::int64_t x, std::int64_t y) {
            const codecs::RgbaPicture& p = result->picture;
            if (x < 0 || y < 0 || x >= p.width || y >= p.height)
                return false;
            const std::size_t at = (static_cast<std::size_t>(y) * p.width + x) * 4;
            return inspect::PixelDiffers(&p.rgba[at], &v->picture.rgba[at], 0);
        });
    }
}

std::string ReadersPanel::PixelNote(std::int64_t x, std::int64_t y) const {
    const readers::ReaderVerdict* v = Chosen();
    if (v == nullptr || v->picture.rgba.empty() || m_result->picture.rgba.empty())
        return "";
    const codecs::RgbaPicture& ours = m_result->picture;
    if (x < 0 || y < 0 || x >= ours.width || y >= ours.height ||
        v->picture.rgba.size() != ours.rgba.size())
        return "";
    const std::size_t at = (static_cast<std::size_t>(y) * ours.width + x) * 4;
    const std::uint8_t* theirs = &v->picture.rgba[at];
    std::string note = v->name + " 读作 " + Rgba(theirs) + "，Pixscope 读作 " +
                       Rgba(&ours.rgba[at]) +
                       (inspect::PixelDiffers(theirs, &ours.rgba[at], 0) ? "" : "（相同）");
    if (const auto held = m_model.BytesOf(x, y)) {
        const auto bytes = m_model.Bytes();
        note += "；像素的字节 " + structure::HexOffset(held->offset) + "：";
        for (std::uint64_t k = 0; k < held->size && k < 8 && held->offset + k < bytes.size(); ++k) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%s%02X", k == 0 ? "" : " ", bytes[held->offset + k]);
            note += hex;
        }
        if (held->size > 8)
            note += " …";
    }
    return note;
}

} // namespace views
