// The structure view's hex pane: offset, sixteen bytes and their printable characters
// a row. Only the rows on screen are drawn, so a file of any size costs the same.
#pragma once

#include "views/structure_window.h"

#include <QAbstractScrollArea>

#include <functional>

namespace views {

class HexView : public QAbstractScrollArea {
public:
    explicit HexView(std::span<const std::uint8_t> bytes, QWidget* parent = nullptr);

    // Called when the user puts the caret on a byte, by mouse or key; and when they choose
    // bytes of their own, by dragging, Shift+click or Shift and the arrow keys (the caret
    // is on the byte they moved to).
    std::function<void(std::uint64_t)> onByteChosen;
    std::function<void(ByteRange chosen, std::uint64_t caret)> onRangeChosen;

    // The bytes shown as chosen and the byte the caret is on, scrolled into view.
    void Show(ByteRange chosen, std::uint64_t caret);
    ByteRange Chosen() const { return m_chosen; }
    std::uint64_t Caret() const { return m_caret; }
    std::uint64_t FirstVisibleRow() const;
    // The byte under a point of the viewport, if any.
    std::optional<std::uint64_t> ByteAt(QPoint at) const;
    // Where a byte's hex digits are drawn in the viewport (for tests and tools).
    QRect RectOf(std::uint64_t offset) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    std::uint64_t Rows() const { return (m_bytes.size() + 15) / 16; }
    int VisibleRows() const;
    void UpdateScrollRange();
    void ScrollToRow(std::uint64_t row);
    // From the anchor to the byte, as a range chosen; just the byte when it is the anchor.
    void Extend(std::uint64_t to);
    int HexX(int column) const;
    int TextX(int column) const;

    std::span<const std::uint8_t> m_bytes;
    ByteRange m_chosen;
    std::uint64_t m_caret = 0;
    std::uint64_t m_anchor = 0; // where a range being chosen starts
    int m_digits = 8;           // of the offset column
    std::uint64_t m_step = 1;   // rows a scroll-bar step, for files past 2^31 rows
    int m_charWidth = 8, m_lineHeight = 16;
};

} // namespace views
