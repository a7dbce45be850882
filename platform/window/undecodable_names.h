// Names a file dialog cannot show. Qt lists only names that are valid UTF-8, so a file
// unpacked from an archive made on another system may be out of its reach. A list under
// the open dialog shows such files of the folder the dialog is in, their stray bytes
// as \xNN, and a double-click (or Enter) chooses one by its exact bytes.
#pragma once

#include <optional>
#include <string>
#include <vector>

class QFileDialog;

namespace platform::window {

// patterns: the dialog's filters' patterns, in their order ("*.bmp", ...). When the
// user picks a file from the list, the dialog is accepted and *chosen holds its path.
void AddUndecodableNames(QFileDialog& dialog, const std::vector<std::vector<std::string>>& patterns,
                         std::optional<std::string>* chosen);

// The name with each byte that is not part of valid UTF-8 written as \xNN.
std::string EscapedName(const std::string& name);

} // namespace platform::window
