#include "platform/window/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform::window {

bool InstallChineseTranslations() {
    // Lives as long as the application, which keeps using it.
    static QTranslator* translator = nullptr;
    if (translator != nullptr)
        return true;
    auto* candidate = new QTranslator(QCoreApplication::instance());
    if (!candidate->load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete candidate;
        return false;
    }
    QCoreApplication::installTranslator(candidate);
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    translator = candidate;
    return true;
}

} // namespace platform::window
