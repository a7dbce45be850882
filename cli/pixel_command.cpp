// pixscope-cli pixel [--json] FILE X Y: the pixel as the read-pixel command shows it.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/open_bitmap.h"
#include "dib/pixel_rules.h"
#include "platform/interaction.h"

#include <cstdio>

int RunPixelCommand(const std::vector<std::string>& args) {
    const auto a = ParsePixelArguments("pixel", args);
    if (!a)
        return 2;
    CDib dib;
    if (OpenBitmapFile(a->file, dib) != OpenResult::Loaded)
        return 1;
    if (!PixelPositionAccepted(*dib.m_pInfo, a->x, a->y)) {
        AfxMessageBox(CString::FromUtf8(kPositionOutsideMessage));
        return 1;
    }
    RGBQUAD v = dib.GetDrawnPixel(a->x, a->y);
    if (a->json)
        std::printf(
            "{\"schema\": 1, \"x\": %d, \"y\": %d, \"b\": %u, \"g\": %u, \"r\": %u, \"s\": %u}\n",
            a->x, a->y, v.rgbBlue, v.rgbGreen, v.rgbRed, v.rgbReserved);
    else
        std::printf("%u %u %u %u\n", v.rgbBlue, v.rgbGreen, v.rgbRed, v.rgbReserved);
    return 0;
}
