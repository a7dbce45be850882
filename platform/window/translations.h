// Qt's own texts (file and colour dialogs, standard buttons, edit menus) in Simplified
// Chinese, whatever the user's locale: the whole interface is Chinese by design.
#pragma once

namespace platform::window {

// Loads Qt's Chinese translations into the running application; false when they are
// not installed, and Qt then speaks English.
bool InstallChineseTranslations();

} // namespace platform::window
