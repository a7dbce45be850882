// The size a picture is shown at in the preview pane.
#include "controls/shrink_to_fit.h"

#include <gtest/gtest.h>

namespace {

TEST(ShrinkToFit, KeepsProportionsAndNeverEnlarges) {
    struct Case {
        int w, h, cw, ch, fitW, fitH;
    };
    const Case cases[] = {
        {1000, 100, 345, 234, 345, 34}, {1000, 1000, 345, 234, 234, 234},
        {800, 600, 345, 234, 312, 233}, {100, 50, 345, 234, 100, 50},
        {345, 234, 345, 234, 345, 234}, {346, 1, 345, 234, 345, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h);
        const CSize fit = ShrinkToFit(c.w, c.h, c.cw, c.ch);
        EXPECT_EQ(fit.cx, c.fitW);
        EXPECT_EQ(fit.cy, c.fitH);
    }
}

} // namespace
