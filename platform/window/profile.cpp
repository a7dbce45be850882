// What the program keeps between runs, in the user's config folder
// ($XDG_CONFIG_HOME/pixscope/pixscope.ini): bytes under a section and an entry.
#include "platform/window/cwinapp.h"

#include <QSettings>

namespace {

QSettings Settings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "pixscope", "pixscope");
}

QString Key(LPCTSTR section, LPCTSTR entry) {
    return QString::fromUtf8(section) + "/" + QString::fromUtf8(entry);
}

} // namespace

BOOL CWinApp::GetProfileBinary(LPCTSTR section, LPCTSTR entry, std::string& bytes) {
    bytes.clear();
    QSettings settings = Settings();
    const QVariant value = settings.value(Key(section, entry));
    if (!value.isValid())
        return FALSE;
    const QByteArray data = value.toByteArray();
    bytes.assign(data.constData(), static_cast<std::size_t>(data.size()));
    return TRUE;
}

BOOL CWinApp::WriteProfileBinary(LPCTSTR section, LPCTSTR entry, const std::string& bytes) {
    QSettings settings = Settings();
    if (bytes.empty())
        settings.remove(Key(section, entry));
    else // bytes, not text: a path need not be UTF-8
        settings.setValue(Key(section, entry),
                          QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    settings.sync();
    return settings.status() == QSettings::NoError;
}
