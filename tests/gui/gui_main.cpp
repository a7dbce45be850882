// GUI tests run Qt without a display; the dialogs are real, the seam records.
#include <QApplication>

#include <gtest/gtest.h>

#include "platform/interaction.h"
#include "platform/window/translations.h"
#include "tests/gui/gui_support.h"

#include <cstdlib>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    UseFreshConfigFolder();
    QApplication app(argc, argv);
    platform::window::InstallChineseTranslations();
    platform::SetApplicationTitle("pixscope");
    ::testing::InitGoogleTest(&argc, argv);
    RejectUnexpectedDialogs();
    return RUN_ALL_TESTS();
}
