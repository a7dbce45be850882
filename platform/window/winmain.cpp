// The window program's entry: brings up Qt, installs the seam that shows real dialogs
// and runs the application object's start-up.
#include "platform/window/cwinapp.h"
#include "platform/window/qt_interaction.h"
#include "platform/window/translations.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const bool display = std::getenv("DISPLAY") != nullptr ||
                         std::getenv("WAYLAND_DISPLAY") != nullptr ||
                         std::getenv("QT_QPA_PLATFORM") != nullptr;
    if (!display) {
        std::fprintf(stderr,
                     "%s: no display to open a window on; pixscope-cli does the same "
                     "work in a terminal (pixscope-cli --help)\n",
                     argc > 0 ? argv[0] : "pixscope");
        return 1;
    }
    QApplication application(argc, argv);
    platform::window::InstallChineseTranslations();
    platform::SetApplicationTitle(platform::TitleFromProgramPath(argc > 0 ? argv[0] : "pixscope"));
    platform::window::QtInteraction seam;
    platform::SetInteractionSeam(&seam);
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    app->InitInstance();
    const int code = app->ExitInstance();
    platform::SetInteractionSeam(nullptr);
    return code;
}
