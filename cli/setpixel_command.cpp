// pixscope-cli setpixel FILE X Y B G R S OUT: writes a pixel as the modify-pixel
// command does and saves the picture.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/open_bitmap.h"
#include "cli/write_bitmap.h"
#include "dib/pixel_rules.h"
#include "dib/save_rules.h"
#include "platform/interaction.h"

#include <climits>

int RunSetPixelCommand(const std::vector<std::string>& argv) {
    const Arguments split = SplitArguments(argv);
    if (!split.options.empty())
        return UsageError("setpixel", "unknown option " + split.options[0]);
    const std::vector<std::string>& args = split.operands;
    if (args.size() != 8)
        return UsageError("setpixel", "expects FILE X Y B G R S OUT");
    auto x = ParseInteger(args[1], INT_MIN, INT_MAX), y = ParseInteger(args[2], INT_MIN, INT_MAX);
    if (!x || !y)
        return UsageError("setpixel", "X and Y must be whole numbers");
    BYTE bytes[4];
    for (int i = 0; i < 4; ++i) {
        auto v = ParseInteger(args[3 + i], 0, 255);
        if (!v)
            return UsageError("setpixel", "B, G, R and S must be whole numbers from 0 to 255");
        bytes[i] = static_cast<BYTE>(*v);
    }
    CDib dib;
    if (OpenBitmapFile(args[0], dib) != OpenResult::Loaded)
        return 1;
    // The depth is checked first, as the modify command does before it reads anything.
    if (!PixelWritable(*dib.m_pInfo)) {
        AfxMessageBox(CString::FromUtf8(kDepthNotWritableMessage));
        return 1;
    }
    if (!PixelPositionAccepted(*dib.m_pInfo, static_cast<int>(*x), static_cast<int>(*y))) {
        AfxMessageBox(CString::FromUtf8(kPositionOutsideMessage));
        return 1;
    }
    const RGBQUAD asked{bytes[0], bytes[1], bytes[2], bytes[3]};
    const int px = static_cast<int>(*x), py = static_cast<int>(*y);
    if (const std::string why = dib.DrawnPixelRefusal(px, py, asked); !why.empty()) {
        AfxMessageBox(CString::FromUtf8(why + "。像素没有修改。"));
        return 1;
    }
    // What can't be saved to read back is refused before anything changes.
    if (const std::string why = SaveRefusal(dib, SaveAs::AsItIs); !why.empty()) {
        AfxMessageBox(CString::FromUtf8(why + "；" + kNothingWrittenMessage));
        return 1;
    }
    dib.SetDrawnPixel(px, py, asked);
    return WriteBitmapFile(dib, args[7]) ? 0 : 1;
}
