// The checker's answers as the window program shows them: Chinese text, one finding a
// line, and a pixel's place in the file as a few lines.
#pragma once

#include "inspect/findings.h"
#include "inspect/pixel_location.h"

#include <string>
#include <vector>

namespace inspect {

// Bytes as lowercase hex pairs with between between them.
std::string HexBytes(const std::vector<std::uint8_t>& bytes, const char* between);
// "错误", "警告", "提示".
const char* SeverityLabel(Severity s);
// "0x00000002 (2)  警告  file-size：…", UTF-8.
std::string DescribeFinding(const Finding& f);
// How many findings of each severity, or that there are none, UTF-8.
std::string SummariseFindings(const std::vector<Finding>& findings);
// The lines `pixscope-cli where` prints, in Chinese, UTF-8.
std::string DescribePixelLocation(const PixelLocation& p);

} // namespace inspect
