// The window program's entry: brings up Qt, installs the seam that shows real dialogs
// and runs the application object's start-up.
#include "platform/replacing_file.h"
#include "platform/window/cwinapp.h"
#include "platform/window/program_arguments.h"
#include "platform/window/qt_interaction.h"
#include "platform/window/translations.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: %s [FILE...]\n"
                        "       %s --structure FILE\n"
                        "Opens each FILE in turn, as \"文件\" -> \"打开位图文件\" does.\n"
                        "--structure shows FILE byte by byte, as \"工具\" -> \"结构视图\" does.\n"
                        "--version prints the version.\n",
                        argv[0], argv[0]);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("pixscope %s\n", PIXSCOPE_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--") == 0)
            break;
    }
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
    // A session's end stops a save in progress without leaving its temporary file.
    platform::RemoveTemporaryFilesOnSignals();
    platform::window::InstallChineseTranslations();
    platform::SetApplicationTitle(platform::TitleFromProgramPath(argc > 0 ? argv[0] : "pixscope"));
    platform::window::QtInteraction seam;
    platform::SetInteractionSeam(&seam);
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    app->m_arguments = platform::window::FilesToOpen(argc, argv);
    app->m_structureFile = platform::window::StructureFile(argc, argv).value_or("");
    app->InitInstance();
    const int code = app->ExitInstance();
    platform::SetInteractionSeam(nullptr);
    return code;
}
