// The preview's sizing rule: a picture keeps its proportions and is never enlarged.
#pragma once

#include "platform/geometry.h"

// The size of a W x H picture shrunk to fit a CW x CH area, in double precision and
// truncated, so the matching side can come out a pixel short (800 x 600 in 345 x 234
// gives 312 x 233). The area must not be empty.
inline CSize ShrinkToFit(int width, int height, int clientWidth, int clientHeight) {
    const double rx = static_cast<double>(width) / clientWidth;
    const double ry = static_cast<double>(height) / clientHeight;
    double r = rx;
    if (rx < ry)
        r = ry;
    if (r > 1.0)
        return CSize(static_cast<int>(width / r), static_cast<int>(height / r));
    return CSize(width, height);
}
