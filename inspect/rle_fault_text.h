// What a run-length stream's fault means, in the words the checker and the structure
// view both use.
#pragma once

#include "bmp/rle.h"

#include <string>

namespace inspect {

// One line of Chinese (UTF-8); y is the stored row, counted from the bottom.
std::string RleFaultText(const bmp::RleDiagnostic& fault);

} // namespace inspect
