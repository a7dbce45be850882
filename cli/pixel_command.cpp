// pixscope-cli pixel [--json] FILE X Y: the pixel as the read-pixel command shows it.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/open_bitmap.h"
#include "dib/pixel_rules.h"
#include "platform/interaction.h"

#include <climits>
#include <cstdio>

int RunPixelCommand(const std::vector<std::string>& given) {
    std::vector<std::string> args;
    bool json = false;
    for (const std::string& a : given) {
        if (a == "--json")
            json = true;
        else
            args.push_back(a);
    }
    if (args.size() != 3)
        return UsageError("pixel", "expects [--json] FILE X Y");
    auto x = ParseInteger(args[1], INT_MIN, INT_MAX), y = ParseInteger(args[2], INT_MIN, INT_MAX);
    if (!x || !y)
        return UsageError("pixel", "X and Y must be whole numbers");
    CDib dib;
    if (OpenBitmapFile(args[0], dib) != OpenResult::Loaded)
        return 1;
    if (!PixelPositionAccepted(*dib.m_pInfo, static_cast<int>(*x), static_cast<int>(*y))) {
        AfxMessageBox(CString::FromUtf8(kPositionOutsideMessage));
        return 1;
    }
    RGBQUAD v = dib.GetPixel(static_cast<int>(*x), static_cast<int>(*y));
    if (json)
        std::printf("{\"x\": %lld, \"y\": %lld, \"b\": %u, \"g\": %u, \"r\": %u, \"s\": %u}\n", *x,
                    *y, v.rgbBlue, v.rgbGreen, v.rgbRed, v.rgbReserved);
    else
        std::printf("%u %u %u %u\n", v.rgbBlue, v.rgbGreen, v.rgbRed, v.rgbReserved);
    return 0;
}
