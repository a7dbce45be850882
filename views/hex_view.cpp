#include "views/hex_view.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace views {

namespace {

constexpr int kMargin = 6;
const QColor kChosen(255, 214, 102);
const QColor kCaret(200, 30, 30);

char Hex(unsigned v) {
    return "0123456789ABCDEF"[v & 15];
}

} // namespace

HexView::HexView(std::span<const std::uint8_t> bytes, QWidget* parent)
    : QAbstractScrollArea(parent), m_bytes(bytes) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(std::max(font.pointSize(), 10));
    setFont(font);
    const QFontMetrics metrics(font);
    m_charWidth = metrics.horizontalAdvance(QLatin1Char('0'));
    m_lineHeight = metrics.height();
    for (std::uint64_t last = bytes.empty() ? 0 : bytes.size() - 1; (last >> (4 * m_digits)) != 0;)
        ++m_digits;
    // Rows past what a scroll bar's int counts are scrolled several at a step.
    m_step = Rows() / (INT_MAX / 2) + 1;
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            [this] { viewport()->update(); });
    UpdateScrollRange();
}

QSize HexView::sizeHint() const {
    return QSize(TextX(16) + kMargin + verticalScrollBar()->sizeHint().width(), 20 * m_lineHeight);
}

int HexView::HexX(int column) const {
    // Two digits and a space a byte, a wider gap after the eighth.
    return kMargin + (m_digits + 2) * m_charWidth + column * 3 * m_charWidth +
           (column >= 8 ? m_charWidth : 0);
}

int HexView::TextX(int column) const {
    return HexX(16) + m_charWidth + column * m_charWidth;
}

int HexView::VisibleRows() const {
    return std::max(1, viewport()->height() / m_lineHeight);
}

std::uint64_t HexView::FirstVisibleRow() const {
    return std::min<std::uint64_t>(static_cast<std::uint64_t>(verticalScrollBar()->value()) *
                                       m_step,
                                   Rows() == 0 ? 0 : Rows() - 1);
}

void HexView::UpdateScrollRange() {
    const std::uint64_t rows = Rows();
    const std::uint64_t visible = static_cast<std::uint64_t>(VisibleRows());
    const std::uint64_t last = rows > visible ? (rows - visible + m_step - 1) / m_step : 0;
    verticalScrollBar()->setRange(0, static_cast<int>(last));
    verticalScrollBar()->setPageStep(std::max(1, VisibleRows() / static_cast<int>(m_step)));
    horizontalScrollBar()->setRange(0, std::max(0, TextX(16) + kMargin - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void HexView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void HexView::ScrollToRow(std::uint64_t row) {
    const std::uint64_t first = FirstVisibleRow();
    const auto visible = static_cast<std::uint64_t>(VisibleRows());
    if (row >= first && row < first + visible)
        return;
    // Out of view: bring the row to the middle.
    const std::uint64_t top = row > visible / 2 ? row - visible / 2 : 0;
    verticalScrollBar()->setValue(static_cast<int>(top / m_step));
}

void HexView::Show(ByteRange chosen, std::uint64_t caret) {
    m_chosen = chosen;
    m_caret = m_bytes.empty() ? 0 : std::min<std::uint64_t>(caret, m_bytes.size() - 1);
    ScrollToRow(m_caret / 16);
    viewport()->update();
}

QRect HexView::RectOf(std::uint64_t offset) const {
    const std::uint64_t first = FirstVisibleRow();
    const auto row = static_cast<std::int64_t>(offset / 16) - static_cast<std::int64_t>(first);
    const int column = static_cast<int>(offset % 16);
    return QRect(HexX(column) - horizontalScrollBar()->value(),
                 static_cast<int>(row) * m_lineHeight, 2 * m_charWidth, m_lineHeight);
}

std::optional<std::uint64_t> HexView::ByteAt(QPoint at) const {
    const int x = at.x() + horizontalScrollBar()->value();
    int column = -1;
    for (int c = 0; c < 16 && column < 0; ++c) {
        if ((x >= HexX(c) && x < HexX(c) + 3 * m_charWidth) ||
            (x >= TextX(c) && x < TextX(c) + m_charWidth))
            column = c;
    }
    if (column < 0 || at.y() < 0)
        return std::nullopt;
    const std::uint64_t offset =
        (FirstVisibleRow() + static_cast<std::uint64_t>(at.y() / m_lineHeight)) * 16 +
        static_cast<std::uint64_t>(column);
    if (offset >= m_bytes.size())
        return std::nullopt;
    return offset;
}

void HexView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), palette().base());
    p.translate(-horizontalScrollBar()->value(), 0);
    const int ascent = QFontMetrics(font()).ascent();
    const std::uint64_t first = FirstVisibleRow();
    const std::uint64_t last = std::min<std::uint64_t>(Rows(), first + VisibleRows() + 1);
    for (std::uint64_t row = first; row < last; ++row) {
        const int top = static_cast<int>(row - first) * m_lineHeight;
        char offset[24];
        for (int d = 0; d < m_digits; ++d)
            offset[d] = Hex(static_cast<unsigned>((row * 16) >> (4 * (m_digits - 1 - d))));
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(kMargin, top + ascent, QString::fromLatin1(offset, m_digits));
        for (int c = 0; c < 16; ++c) {
            const std::uint64_t at = row * 16 + static_cast<std::uint64_t>(c);
            if (at >= m_bytes.size())
                break;
            const std::uint8_t b = m_bytes[at];
            const QRect hex(HexX(c) - m_charWidth / 2, top, 3 * m_charWidth, m_lineHeight);
            const QRect text(TextX(c), top, m_charWidth, m_lineHeight);
            if (m_chosen.Holds(at)) {
                p.fillRect(hex, kChosen);
                p.fillRect(text, kChosen);
            }
            p.setPen(palette().color(QPalette::Text));
            const char digits[2] = {Hex(b >> 4u), Hex(b)};
            p.drawText(HexX(c), top + ascent, QString::fromLatin1(digits, 2));
            p.drawText(TextX(c), top + ascent,
                       QString(QLatin1Char(b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.')));
            if (at == m_caret) {
                p.setPen(QPen(kCaret, 2));
                p.drawRect(hex.adjusted(1, 1, -1, -1));
            }
        }
    }
}

void HexView::Extend(std::uint64_t to) {
    if (to == m_anchor || !onRangeChosen) {
        m_anchor = to;
        if (onByteChosen)
            onByteChosen(to);
        return;
    }
    const std::uint64_t first = std::min(m_anchor, to), last = std::max(m_anchor, to);
    onRangeChosen(ByteRange{first, last - first + 1}, to);
}

void HexView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const auto at = ByteAt(event->pos());
    if (!at)
        return;
    if ((event->modifiers() & Qt::ShiftModifier) != 0) {
        Extend(*at);
        return;
    }
    m_anchor = *at;
    if (onByteChosen)
        onByteChosen(*at);
}

void HexView::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) == 0)
        return;
    // A drag past the top or the bottom row scrolls on.
    QPoint p = event->pos();
    if (p.y() < 0 || p.y() >= viewport()->height()) {
        verticalScrollBar()->setValue(verticalScrollBar()->value() + (p.y() < 0 ? -1 : 1));
        p.setY(std::clamp(p.y(), 0, viewport()->height() - 1));
    }
    if (const auto at = ByteAt(p); at && *at != m_caret)
        Extend(*at);
}

void HexView::keyPressEvent(QKeyEvent* event) {
    if (m_bytes.empty())
        return QAbstractScrollArea::keyPressEvent(event);
    const auto page = static_cast<std::int64_t>(VisibleRows()) * 16;
    const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
    std::int64_t move = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        move = -1;
        break;
    case Qt::Key_Right:
        move = 1;
        break;
    case Qt::Key_Up:
        move = -16;
        break;
    case Qt::Key_Down:
        move = 16;
        break;
    case Qt::Key_PageUp:
        move = -page;
        break;
    case Qt::Key_PageDown:
        move = page;
        break;
    case Qt::Key_Home:
        move = control ? INT64_MIN : -static_cast<std::int64_t>(m_caret % 16);
        break;
    case Qt::Key_End:
        move = control ? INT64_MAX : 15 - static_cast<std::int64_t>(m_caret % 16);
        break;
    default:
        return QAbstractScrollArea::keyPressEvent(event);
    }
    const std::uint64_t last = m_bytes.size() - 1;
    std::uint64_t to = 0;
    if (move == INT64_MAX) {
        to = last;
    } else if (move < 0 && move != INT64_MIN) {
        // Past the top, rows keep their column; a byte to the left stops at the first.
        const auto back = static_cast<std::uint64_t>(-move);
        to = back <= m_caret ? m_caret - back : back >= 16 ? m_caret % 16 : 0;
    } else if (move > 0) {
        to = std::min<std::uint64_t>(last, m_caret + static_cast<std::uint64_t>(move));
    }
    if ((event->modifiers() & Qt::ShiftModifier) != 0) {
        Extend(to);
        return;
    }
    m_anchor = to;
    if (onByteChosen)
        onByteChosen(to);
}

} // namespace views
