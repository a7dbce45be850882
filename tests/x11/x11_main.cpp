// The real-X tests: Pixscope's own start-up (Qt on the xcb platform, Chinese
// translations, the seam that shows real dialogs), then the tests. Without an X
// display they are skipped (exit 77), so that ctest reports them as skipped.
#include "platform/interaction.h"
#include "platform/window/qt_interaction.h"
#include "platform/window/translations.h"
#include "tests/gui/gui_support.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr) {
        std::puts("no X display: the real-X tests are skipped (run them under xvfb-run)");
        return 77;
    }
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    UseFreshConfigFolder();
    QApplication app(argc, argv);
    platform::window::InstallChineseTranslations();
    platform::SetApplicationTitle("pixscope");
    platform::window::QtInteraction seam;
    platform::SetInteractionSeam(&seam);
    ::testing::InitGoogleTest(&argc, argv);
    RejectUnexpectedDialogs();
    const int result = RUN_ALL_TESTS();
    platform::SetInteractionSeam(nullptr);
    return result;
}
