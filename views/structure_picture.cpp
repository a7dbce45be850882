#include "views/structure_picture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace views {

namespace {

constexpr int kReach = 5, kCell = 10, kSide = (2 * kReach + 1) * kCell + 1;
const char* const kTitle = "图像";

QColor Rgb(std::uint32_t v) {
    return QColor((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

} // namespace

class PictureCanvas : public QWidget {
public:
    explicit PictureCanvas(StructurePicture* owner) : QWidget(owner), m_owner(owner) {
        setMouseTracking(true);
        setMinimumSize(kSide + 20, kSide + 20);
        setCursor(Qt::CrossCursor);
    }

    // The picture's place in the pane: shrunk to fit, or enlarged a whole number of
    // times when it is small, so that each pixel can still be pointed at.
    QRect Placed() const {
        const StructureModel& m = m_owner->m_model;
        if (m.Width() <= 0 || m.Height() <= 0 || width() <= 0 || height() <= 0)
            return {};
        const double fit =
            std::min(static_cast<double>(width()) / static_cast<double>(m.Width()),
                     static_cast<double>(height()) / static_cast<double>(m.Height()));
        const double scale = fit >= 1 ? std::floor(fit) : fit;
        const int w = std::max(1, static_cast<int>(static_cast<double>(m.Width()) * scale));
        const int h = std::max(1, static_cast<int>(static_cast<double>(m.Height()) * scale));
        return QRect(0, 0, w, h);
    }
    std::optional<std::pair<std::int64_t, std::int64_t>> PixelAt(QPoint p) const {
        const QRect r = Placed();
        if (!r.contains(p))
            return std::nullopt;
        const StructureModel& m = m_owner->m_model;
        return std::pair(std::int64_t{p.x()} * m.Width() / r.width(),
                         std::int64_t{p.y()} * m.Height() / r.height());
    }
    QPoint PointOf(std::int64_t x, std::int64_t y) const {
        const QRect r = Placed();
        const StructureModel& m = m_owner->m_model;
        return QPoint(static_cast<int>(((2 * x + 1) * r.width()) / (2 * m.Width())),
                      static_cast<int>(((2 * y + 1) * r.height()) / (2 * m.Height())));
    }

    std::optional<PixelSpan> mark;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const StructureModel& m = m_owner->m_model;
        if (!m.NoPicture().empty()) {
            p.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                       QString::fromStdString(m.NoPicture()));
            return;
        }
        const QRect r = Placed();
        if (m_shown.size() != r.size()) {
            // Each pane pixel asks for the picture pixel under its centre, once a resize.
            m_shown = QImage(r.size(), QImage::Format_RGB32);
            for (int y = 0; y < r.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(m_shown.scanLine(y));
                const std::int64_t py = (2 * std::int64_t{y} + 1) * m.Height() / (2 * r.height());
                for (int x = 0; x < r.width(); ++x)
                    line[x] = 0xFF000000u |
                              m.Colour((2 * std::int64_t{x} + 1) * m.Width() / (2 * r.width()), py);
            }
        }
        p.drawImage(r.topLeft(), m_shown);
        if (mark) {
            const QPoint a = PointOf(mark->x0, mark->y), b = PointOf(mark->x1, mark->y);
            const int hw = std::max(
                2, r.width() / static_cast<int>(std::max<std::int64_t>(1, m.Width())) / 2 + 1);
            const int hh = std::max(
                2, r.height() / static_cast<int>(std::max<std::int64_t>(1, m.Height())) / 2 + 1);
            const QRect box(QPoint(a.x() - hw, a.y() - hh), QPoint(b.x() + hw, b.y() + hh));
            p.setPen(QPen(Qt::white, 3));
            p.drawRect(box);
            p.setPen(QPen(QColor(220, 0, 0), 1));
            p.drawRect(box);
        }
        if (m_pointer)
            DrawMagnifier(p, *m_pointer);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        m_pointer = PixelAt(event->pos());
        m_at = event->pos();
        m_owner->Caption(m_pointer);
        update();
    }
    void leaveEvent(QEvent*) override {
        m_pointer.reset();
        m_owner->Caption(std::nullopt);
        update();
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (const auto at = PixelAt(event->pos()); at && m_owner->onPixelChosen)
            m_owner->onPixelChosen(at->first, at->second);
    }

private:
    void DrawMagnifier(QPainter& p, std::pair<std::int64_t, std::int64_t> centre) const {
        const StructureModel& m = m_owner->m_model;
        // The corner farthest from the pointer.
        const int left = m_at.x() < width() / 2 ? width() - kSide - 4 : 4;
        const int top = m_at.y() < height() / 2 ? height() - kSide - 4 : 4;
        p.fillRect(left, top, kSide, kSide, palette().window());
        p.setPen(Qt::gray);
        for (int dy = -kReach; dy <= kReach; ++dy)
            for (int dx = -kReach; dx <= kReach; ++dx) {
                const std::int64_t x = centre.first + dx, y = centre.second + dy;
                const QRect cell(left + (dx + kReach) * kCell, top + (dy + kReach) * kCell, kCell,
                                 kCell);
                if (x >= 0 && y >= 0 && x < m.Width() && y < m.Height())
                    p.fillRect(cell.adjusted(1, 1, 0, 0), Rgb(m.Colour(x, y)));
                p.drawRect(cell);
            }
        p.setPen(QPen(QColor(220, 0, 0), 2));
        p.drawRect(left + kReach * kCell, top + kReach * kCell, kCell, kCell);
    }

    StructurePicture* m_owner;
    mutable QImage m_shown;
    std::optional<std::pair<std::int64_t, std::int64_t>> m_pointer;
    QPoint m_at;
};

StructurePicture::StructurePicture(const StructureModel& model, QWidget* parent)
    : QGroupBox(QString::fromUtf8(kTitle), parent), m_model(model),
      m_canvas(new PictureCanvas(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_canvas);
}

void StructurePicture::Caption(std::optional<std::pair<std::int64_t, std::int64_t>> at) {
    setTitle(QString::fromUtf8(kTitle) +
             (at ? "（" + QString::fromStdString(m_model.Describe(at->first, at->second)) + "）"
                 : QString()));
}

void StructurePicture::Mark(std::optional<PixelSpan> span) {
    m_canvas->mark = span;
    m_canvas->update();
}

QPoint StructurePicture::PointOf(std::int64_t x, std::int64_t y) const {
    return m_canvas->PointOf(x, y);
}

QWidget* StructurePicture::Canvas() const {
    return m_canvas;
}

QSize StructurePicture::minimumSizeHint() const {
    return m_canvas->minimumSize() + QSize(24, 48);
}

} // namespace views
