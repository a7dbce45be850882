// The structure view's picture: the model's pixels fitted to the pane, a caption naming
// the pixel under the pointer, a magnifier of its neighbours, and marks on the pixels
// the chosen bytes hold. Only the pixels the pane shows are asked for.
#pragma once

#include "views/structure_window.h"

#include <QGroupBox>
#include <QImage>

#include <functional>
#include <vector>

namespace views {

class PictureCanvas;

class StructurePicture : public QGroupBox {
public:
    StructurePicture(const StructureModel& model, QWidget* parent = nullptr);

    std::function<void(std::int64_t x, std::int64_t y)> onPixelChosen;
    void Mark(std::optional<PixelSpan> span);
    // Several spans at once: the pixels a range of bytes holds.
    void Mark(std::vector<PixelSpan> spans);
    // The pane point that shows picture pixel x, y (its centre), for tests.
    QPoint PointOf(std::int64_t x, std::int64_t y) const;
    QWidget* Canvas() const;
    // A layer over the picture: the pixels it holds drawn in magenta (another picture's
    // differences), or none.
    void SetLayer(std::function<bool(std::int64_t x, std::int64_t y)> layer);
    // A pixel as the pane paints it: the model's colour, or the layer's.
    std::uint32_t ColourAt(std::int64_t x, std::int64_t y) const;
    // Not the caption's width: a long caption must not take room from the other panes.
    QSize minimumSizeHint() const override;

private:
    friend class PictureCanvas;
    void Caption(std::optional<std::pair<std::int64_t, std::int64_t>> at);
    void Zoomed(double scale);

    const StructureModel& m_model;
    PictureCanvas* m_canvas;
    double m_zoom = 0; // pane pixels a picture pixel; 0 while fitted
    std::function<bool(std::int64_t, std::int64_t)> m_layer;
};

} // namespace views
