#include "views/structure_picture.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace views {

namespace {

constexpr int kReach = 5, kCell = 10, kSide = (2 * kReach + 1) * kCell + 1;
const char* const kTitle = "图像";

QColor Rgb(std::uint32_t v) {
    return QColor((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

} // namespace

class PictureCanvas : public QWidget {
    friend class StructurePicture;

public:
    explicit PictureCanvas(StructurePicture* owner) : QWidget(owner), m_owner(owner) {
        setMouseTracking(true);
        setMinimumSize(kSide + 20, kSide + 20);
        setCursor(Qt::CrossCursor);
        setFocusPolicy(Qt::StrongFocus);
    }

    // Fitted: the picture shrunk to the pane, or enlarged a whole number of times when it
    // is small, so that each pixel can still be pointed at. Zoomed: pane pixels a picture
    // pixel (a power of two), from the picture point shown at the pane's top left.
    bool Zoomed() const { return m_scale > 0; }
    double Scale() const { return Zoomed() ? m_scale : FitScale(); }

    QRect Placed() const {
        const StructureModel& m = m_owner->m_model;
        if (m.Width() <= 0 || m.Height() <= 0 || width() <= 0 || height() <= 0)
            return {};
        const double scale = FitScale();
        const int w = std::max(1, static_cast<int>(static_cast<double>(m.Width()) * scale));
        const int h = std::max(1, static_cast<int>(static_cast<double>(m.Height()) * scale));
        return QRect(0, 0, w, h);
    }
    std::optional<std::pair<std::int64_t, std::int64_t>> PixelAt(QPoint p) const {
        const StructureModel& m = m_owner->m_model;
        if (Zoomed()) {
            const auto x =
                static_cast<std::int64_t>(std::floor(m_origin.x() + (p.x() + 0.5) / m_scale));
            const auto y =
                static_cast<std::int64_t>(std::floor(m_origin.y() + (p.y() + 0.5) / m_scale));
            if (!rect().contains(p) || x < 0 || y < 0 || x >= m.Width() || y >= m.Height())
                return std::nullopt;
            return std::pair(x, y);
        }
        const QRect r = Placed();
        if (!r.contains(p))
            return std::nullopt;
        return std::pair(std::int64_t{p.x()} * m.Width() / r.width(),
                         std::int64_t{p.y()} * m.Height() / r.height());
    }
    QPoint PointOf(std::int64_t x, std::int64_t y) const {
        if (Zoomed())
            return QPoint(static_cast<int>(
                              std::floor((static_cast<double>(x) + 0.5 - m_origin.x()) * m_scale)),
                          static_cast<int>(
                              std::floor((static_cast<double>(y) + 0.5 - m_origin.y()) * m_scale)));
        const QRect r = Placed();
        const StructureModel& m = m_owner->m_model;
        return QPoint(static_cast<int>(((2 * x + 1) * r.width()) / (2 * m.Width())),
                      static_cast<int>(((2 * y + 1) * r.height()) / (2 * m.Height())));
    }

    // Zooms by powers of two (in: +1, out: -1) keeping the picture point under `at`
    // where it is; from the fitted picture in, back to it out.
    void ZoomBy(int steps, QPointF at) {
        const double now = Scale();
        double next = 0;
        if (steps > 0) {
            next = std::exp2(std::floor(std::log2(now)) + 1);
            if (next > kMostZoom)
                next = kMostZoom;
        } else {
            next = std::exp2(std::ceil(std::log2(now)) - 1);
            if (next <= FitScale())
                next = 0;
        }
        ZoomTo(next, at);
    }
    // 0: fitted.
    void ZoomTo(double scale, QPointF at) {
        const QPointF picture = Zoomed() ? m_origin + at / m_scale : at / FitScale();
        m_scale = scale;
        if (Zoomed())
            m_origin = picture - at / m_scale;
        Clamp();
        Changed();
    }
    void PanBy(QPointF panePixels) {
        if (!Zoomed())
            return;
        m_origin -= panePixels / m_scale;
        Clamp();
        Changed();
    }

    std::vector<PixelSpan> marks;
    static constexpr double kMostZoom = 32;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const StructureModel& m = m_owner->m_model;
        if (!m.NoPicture().empty()) {
            p.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                       QString::fromStdString(m.NoPicture()));
            return;
        }
        if (Zoomed())
            PaintZoomed(p);
        else
            PaintFitted(p);
        // Each span boxed; past a few dozen, one box round them all.
        struct Box {
            std::int64_t x0, x1, top, bottom;
        };
        std::vector<Box> boxes;
        for (const PixelSpan& s : marks)
            boxes.push_back(Box{s.x0, s.x1, s.y, s.y});
        if (boxes.size() > 64) {
            Box all = boxes.front();
            for (const Box& b : boxes)
                all = Box{std::min(all.x0, b.x0), std::max(all.x1, b.x1), std::min(all.top, b.top),
                          std::max(all.bottom, b.bottom)};
            boxes = {all};
        }
        const int half = std::max(2, static_cast<int>(Scale() / 2) + 1);
        for (const Box& mark : boxes) {
            const QPoint a = PointOf(mark.x0, mark.top), b = PointOf(mark.x1, mark.bottom);
            const QRect box(QPoint(a.x() - half, a.y() - half), QPoint(b.x() + half, b.y() + half));
            p.setPen(QPen(Qt::white, 3));
            p.drawRect(box);
            p.setPen(QPen(QColor(220, 0, 0), 1));
            p.drawRect(box);
        }
        if (m_pointer)
            DrawMagnifier(p, *m_pointer);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (m_drag && (event->buttons() & (Qt::LeftButton | Qt::MiddleButton)) != 0) {
            const QPointF by = event->position() - *m_drag;
            if (m_dragged || std::abs(by.x()) + std::abs(by.y()) > 4) {
                m_dragged = true;
                PanBy(by);
                m_drag = event->position();
            }
        }
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
        setFocus(Qt::MouseFocusReason);
        m_drag = event->position();
        m_dragged = false;
    }
    // A click chooses the pixel under it; a drag pans instead.
    void mouseReleaseEvent(QMouseEvent* event) override {
        const bool dragged = m_dragged;
        m_drag.reset();
        m_dragged = false;
        if (dragged || event->button() != Qt::LeftButton)
            return;
        if (const auto at = PixelAt(event->pos()); at && m_owner->onPixelChosen)
            m_owner->onPixelChosen(at->first, at->second);
    }
    // Ctrl+wheel zooms round the pointer; the wheel alone pans, Shift sideways.
    void wheelEvent(QWheelEvent* event) override {
        const int notches = event->angleDelta().y() / 120;
        if ((event->modifiers() & Qt::ControlModifier) != 0) {
            if (notches != 0)
                ZoomBy(notches > 0 ? 1 : -1, event->position());
        } else if ((event->modifiers() & Qt::ShiftModifier) != 0) {
            PanBy(QPointF(event->angleDelta().y(), 0));
        } else {
            PanBy(QPointF(event->angleDelta().x(), event->angleDelta().y()));
        }
        event->accept();
    }
    void keyPressEvent(QKeyEvent* event) override {
        const QPointF centre(width() / 2.0, height() / 2.0);
        switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomBy(1, centre);
            return;
        case Qt::Key_Minus:
            ZoomBy(-1, centre);
            return;
        case Qt::Key_0:
            ZoomTo(0, centre);
            return;
        case Qt::Key_1:
            ZoomTo(1, centre);
            return;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down: {
            const double step = width() / 4.0;
            PanBy(QPointF(event->key() == Qt::Key_Left    ? step
                          : event->key() == Qt::Key_Right ? -step
                                                          : 0,
                          event->key() == Qt::Key_Up     ? step
                          : event->key() == Qt::Key_Down ? -step
                                                         : 0));
            return;
        }
        default:
            QWidget::keyPressEvent(event);
        }
    }
    void resizeEvent(QResizeEvent*) override { Clamp(); }

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
                    p.fillRect(cell.adjusted(1, 1, 0, 0), Rgb(m_owner->ColourAt(x, y)));
                p.drawRect(cell);
            }
        p.setPen(QPen(QColor(220, 0, 0), 2));
        p.drawRect(left + kReach * kCell, top + kReach * kCell, kCell, kCell);
    }

    double FitScale() const {
        const StructureModel& m = m_owner->m_model;
        if (m.Width() <= 0 || m.Height() <= 0 || width() <= 0 || height() <= 0)
            return 1;
        const double fit =
            std::min(static_cast<double>(width()) / static_cast<double>(m.Width()),
                     static_cast<double>(height()) / static_cast<double>(m.Height()));
        return fit >= 1 ? std::floor(fit) : fit;
    }

    // The origin kept where some of the picture is on the pane.
    void Clamp() {
        if (!Zoomed())
            return;
        const StructureModel& m = m_owner->m_model;
        const double w = width() / m_scale, h = height() / m_scale;
        m_origin.setX(
            std::clamp(m_origin.x(), 0.0, std::max(0.0, static_cast<double>(m.Width()) - w)));
        m_origin.setY(
            std::clamp(m_origin.y(), 0.0, std::max(0.0, static_cast<double>(m.Height()) - h)));
    }

    void Changed() {
        m_shown = QImage();
        m_owner->Zoomed(Zoomed() ? m_scale : 0);
        update();
    }

    void PaintFitted(QPainter& p) const {
        const StructureModel& m = m_owner->m_model;
        const QRect r = Placed();
        if (m_shown.size() != r.size() || m_shownZoomed) {
            // Each pane pixel asks for the picture pixel under its centre, once a resize.
            m_shown = QImage(r.size(), QImage::Format_RGB32);
            m_shownZoomed = false;
            for (int y = 0; y < r.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(m_shown.scanLine(y));
                const std::int64_t py = (2 * std::int64_t{y} + 1) * m.Height() / (2 * r.height());
                for (int x = 0; x < r.width(); ++x)
                    line[x] = 0xFF000000u |
                              m_owner->ColourAt(
                                  (2 * std::int64_t{x} + 1) * m.Width() / (2 * r.width()), py);
            }
        }
        p.drawImage(r.topLeft(), m_shown);
    }

    // Only the pixels the pane shows are asked for, each once, then scaled up; from 8
    // times a grid between them.
    void PaintZoomed(QPainter& p) const {
        const StructureModel& m = m_owner->m_model;
        if (m_scale < 1) {
            // Smaller than itself: each pane pixel shows the picture pixel under its centre.
            if (m_shown.size() != size() || !m_shownZoomed) {
                m_shown = QImage(size(), QImage::Format_RGB32);
                m_shown.fill(palette().window().color());
                m_shownZoomed = true;
                for (int y = 0; y < height(); ++y) {
                    auto* line = reinterpret_cast<QRgb*>(m_shown.scanLine(y));
                    for (int x = 0; x < width(); ++x)
                        if (const auto at = PixelAt(QPoint(x, y)))
                            line[x] = 0xFF000000u | m_owner->ColourAt(at->first, at->second);
                }
            }
            p.drawImage(0, 0, m_shown);
            return;
        }
        const auto x0 = static_cast<std::int64_t>(std::floor(m_origin.x()));
        const auto y0 = static_cast<std::int64_t>(std::floor(m_origin.y()));
        const auto x1 = std::min<std::int64_t>(
            m.Width(), static_cast<std::int64_t>(std::ceil(m_origin.x() + width() / m_scale)) + 1);
        const auto y1 = std::min<std::int64_t>(
            m.Height(),
            static_cast<std::int64_t>(std::ceil(m_origin.y() + height() / m_scale)) + 1);
        if (x1 <= x0 || y1 <= y0)
            return;
        const QSize cells(static_cast<int>(x1 - x0), static_cast<int>(y1 - y0));
        if (m_shown.size() != cells || !m_shownZoomed ||
            m_shownAt != QPoint(static_cast<int>(x0), static_cast<int>(y0))) {
            m_shown = QImage(cells, QImage::Format_RGB32);
            m_shownZoomed = true;
            m_shownAt = QPoint(static_cast<int>(x0), static_cast<int>(y0));
            for (int y = 0; y < cells.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(m_shown.scanLine(y));
                for (int x = 0; x < cells.width(); ++x)
                    line[x] = 0xFF000000u | m_owner->ColourAt(x0 + x, y0 + y);
            }
        }
        const QRectF target((static_cast<double>(x0) - m_origin.x()) * m_scale,
                            (static_cast<double>(y0) - m_origin.y()) * m_scale,
                            cells.width() * m_scale, cells.height() * m_scale);
        p.drawImage(target, m_shown);
        if (m_scale >= 8) {
            p.setPen(QPen(QColor(128, 128, 128, 140), 1));
            for (int x = 0; x <= cells.width(); ++x) {
                const double at = target.left() + x * m_scale;
                p.drawLine(QPointF(at, target.top()), QPointF(at, target.bottom()));
            }
            for (int y = 0; y <= cells.height(); ++y) {
                const double at = target.top() + y * m_scale;
                p.drawLine(QPointF(target.left(), at), QPointF(target.right(), at));
            }
        }
    }

    StructurePicture* m_owner;
    double m_scale = 0; // 0: fitted
    QPointF m_origin;   // the picture point at the pane's top left, when zoomed
    std::optional<QPointF> m_drag;
    bool m_dragged = false;
    mutable QImage m_shown;
    mutable bool m_shownZoomed = false;
    mutable QPoint m_shownAt;
    std::optional<std::pair<std::int64_t, std::int64_t>> m_pointer;
    QPoint m_at;
};

StructurePicture::StructurePicture(const StructureModel& model, QWidget* parent)
    : QGroupBox(QString::fromUtf8(kTitle), parent), m_model(model),
      m_canvas(new PictureCanvas(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_canvas);
}

void StructurePicture::Zoomed(double scale) {
    m_zoom = scale;
    Caption(std::nullopt);
}

void StructurePicture::Caption(std::optional<std::pair<std::int64_t, std::int64_t>> at) {
    const QString zoom = m_zoom <= 0   ? QString()
                         : m_zoom >= 1 ? QString(" %1×").arg(m_zoom)
                                       : QString(" 1/%1").arg(1 / m_zoom);
    setTitle(QString::fromUtf8(kTitle) + zoom +
             (at ? "（" + QString::fromStdString(m_model.Describe(at->first, at->second)) + "）"
                 : QString()));
}

void StructurePicture::Mark(std::optional<PixelSpan> span) {
    Mark(span ? std::vector<PixelSpan>{*span} : std::vector<PixelSpan>{});
}

void StructurePicture::Mark(std::vector<PixelSpan> spans) {
    m_canvas->marks = std::move(spans);
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

namespace views {

void StructurePicture::SetLayer(std::function<bool(std::int64_t x, std::int64_t y)> layer) {
    m_layer = std::move(layer);
    m_canvas->Changed();
}

std::uint32_t StructurePicture::ColourAt(std::int64_t x, std::int64_t y) const {
    return m_layer && m_layer(x, y) ? 0xFF00FFu : m_model.Colour(x, y);
}

} // namespace views
