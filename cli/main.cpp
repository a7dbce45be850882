// pixscope-cli: the headless companion of Pixscope.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "codecs/stream_codecs.h"
#include "platform/exceptions.h"
#include "platform/interaction.h"
#include "platform/replacing_file.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "Usage: pixscope-cli COMMAND [OPTIONS] ARGS...\n"
    "       pixscope-cli --version\n"
    "\n"
    "Looks inside Windows bitmap (BMP) files without a window, exactly as Pixscope does.\n"
    "\n"
    "Commands:\n"
    "  report [--encoding=utf-8|gbk | --json] FILE...\n"
    "      Prints each file's 33-line report: its path, size and times, every field of\n"
    "      its BITMAPFILEHEADER and BITMAPINFOHEADER, and the derived figures. Lines end\n"
    "      in CR LF. Text is UTF-8 by default; --encoding=gbk writes the exact code page\n"
    "      936 bytes that Pixscope keeps in its report buffer and exports.\n"
    "      A file that cannot be opened prints \"Can't Read Files!!\" on stderr; one that\n"
    "      is not a loadable bitmap prints \"Read error\" and \"Read Error!!\"; then a\n"
    "      line names the file and says why. The other files are still reported.\n"
    "      --json prints one object per file named and line, in order: its\n"
    "      path, size and times (ISO 8601), every header field under its name, and\n"
    "      linePixelBytes, colorTableEntries and colorTableBytes; a file that failed\n"
    "      gives {\"path\", \"error\": {\"id\", \"offset\", \"message\"}}.\n"
    "  pixel [--json] FILE X Y\n"
    "      Prints the pixel at column X, row Y (from the top-left corner) as four\n"
    "      decimal bytes: B G R S, in the colour Pixscope draws it (through the colour\n"
    "      table, the masks or the run-length stream); S is a 32-bit pixel's fourth\n"
    "      byte. With --json as {\"x\", \"y\", \"b\", \"g\", \"r\", \"s\"}.\n"
    "  setpixel FILE X Y B G R S OUT\n"
    "      Writes the bytes into that pixel of a 24- or 32-bit picture (S is kept at\n"
    "      32 bits only) and writes the picture to OUT.\n"
    "  save16 FILE OUT\n"
    "      Converts the picture to 16 bits per pixel (5 bits each of red, green and\n"
    "      blue) and writes it to OUT, as Pixscope's save command does.\n"
    "  check [--json] [--image N] FILE...\n"
    "      Checks each file against its own bytes and prints one line per finding:\n"
    "      OFFSET SEVERITY IDENTIFIER: explanation (the offset in hex and decimal).\n"
    "      With --json, one object per file and line. Exit status 0 when no file has\n"
    "      an error, 1 when one has, 2 when a file cannot be opened.\n"
    "  where [--json] [--image N] FILE X Y\n"
    "      Prints where pixel (X, Y) lives in the file: the offset of its first byte\n"
    "      (and its bit below 8 bits), its stored row and that row's offset, the row\n"
    "      stride and padding, and its raw bytes; in a run-length picture, the code\n"
    "      that sets it. Any header kind; --json adds the decoded b, g, r and s and\n"
    "      the decoding: raw, index and entry, channels, fixed, skipped.\n"
    "  fields [--json] [--pixels] [--image N] FILE\n"
    "      Prints the file's regions (headers of every kind, masks, colour table, gap,\n"
    "      pixels, colour profile, trailing data), each with its fields: offset, size,\n"
    "      name, value and meaning. It reads any BMP, also one Pixscope won't open.\n"
    "      --pixels adds the pixel data unit by unit: each stored row with its padding,\n"
    "      each run-length code (run, absolute, delta, end-of-line, end-of-bitmap) with\n"
    "      where it starts and what it sets, each Huffman row with its codes; faults\n"
    "      stand at their codes (in JSON, the array \"units\" of the pixel region).\n"
    "  decode [--json] [--image N] [--skipped=index0|transparent|black] [--colour-managed]\n"
    "         FILE OUT\n"
    "      Writes Pixscope's reading of every pixel of any BMP (every header kind and\n"
    "      depth, run-length, Huffman 1D, 64 bits, embedded PNG and JPEG) to OUT as an\n"
    "      8-bit RGBA PNG. --skipped says what run-length pixels no code sets become\n"
    "      (index0, as the preview draws them, is the default); --colour-managed takes\n"
    "      the colours to sRGB by an embedded profile or the header's calibration.\n"
    "      --image picks an image of an OS/2 bitmap array (0, the first, by default);\n"
    "      check, where and fields take it too. --json prints what was written and\n"
    "      every message given.\n"
    "  compare [--json] [--fuzz N] [--diff OUT.png] [--image N] A B\n"
    "      Compares two pictures, each a BMP of any variant or a PNG. For two BMPs, every\n"
    "      field by meaning side by side (across header kinds), those that differ marked\n"
    "      with *. When the sizes agree: the pixels that differ by more than N (0 to 255,\n"
    "      default 0) in any of red, green, blue and alpha, the largest difference per\n"
    "      channel, the mean absolute error, PSNR, the box of the differences and the\n"
    "      first differing pixel with both colours and, in a BMP, the offset of its\n"
    "      bytes. --diff writes the differing pixels in magenta over a faded copy of A.\n"
    "      Exit status 0 when the pictures are the same within N, 1 when they or their\n"
    "      sizes differ, 2 when a file cannot be read.\n"
    "  readers [--json] [--only NAMES] [--timeout S] FILE...\n"
    "      Runs every other reader of BMP files installed here (pillow, imagemagick,\n"
    "      graphicsmagick, gdk-pixbuf, qt, ffmpeg, netpbm, vips; --only picks some,\n"
    "      separated by commas) on each file, each in a process of its own with S\n"
    "      seconds (default 10), limited memory and no input, and holds its picture\n"
    "      against Pixscope's reading, as compare does. Each reader's verdict: same,\n"
    "      differs (how many pixels, their box, and the causes: skipped-pixels,\n"
    "      palette-index, channel-widening, alpha, masks, colour-profile, orientation,\n"
    "      size, other, each with its pixels and one of them with its bytes), refused\n"
    "      (with its message), crashed, timeout or missing (with the Debian package).\n"
    "      With several files, one line (or JSON object) a file, then readers against\n"
    "      verdicts. Exit status 0 when every reader found reads each file as Pixscope\n"
    "      does, 1 otherwise.\n"
    "  OUT is replaced only once it is completely written; a failure leaves it as it was,\n"
    "  and so does an interrupt. OUT must be a regular file if it exists.\n"
    "\n"
    "Options come before the first FILE; \"--\" ends them, so that a file named \"-h\" can\n"
    "be given after it.\n"
    "\n"
    "With --json every object carries \"schema\": 1; docs/json.md lists the keys.\n"
    "\n"
    "Exit status: 0 when every file was reported, 1 when any failed, 2 for a usage error.\n";

} // namespace

int main(int argc, char** argv) {
    platform::SetApplicationTitle(platform::TitleFromProgramPath(argv[0]));
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::printf("pixscope %s\n", PIXSCOPE_VERSION);
        return 0;
    }
    std::string command = args[0];
    args.erase(args.begin());
    if (AsksForHelp(args)) {
        std::fputs(kUsage, stdout);
        return FinishOutput(0, 1);
    }
    platform::RemoveTemporaryFilesOnSignals();
    codecs::InstallStreamDecoders();
    static const struct {
        const char* name;
        int (*run)(const std::vector<std::string>&);
    } kCommands[] = {{"report", RunReportCommand},     {"pixel", RunPixelCommand},
                     {"setpixel", RunSetPixelCommand}, {"save16", RunSave16Command},
                     {"check", RunCheckCommand},       {"where", RunWhereCommand},
                     {"fields", RunFieldsCommand},     {"decode", RunDecodeCommand},
                     {"compare", RunCompareCommand},   {"readers", RunReadersCommand}};
    int (*run)(const std::vector<std::string>&) = nullptr;
    for (const auto& c : kCommands) {
        if (command == c.name)
            run = c.run;
    }
    if (run == nullptr) {
        std::fprintf(stderr, "pixscope-cli: unknown command '%s' (try --help)\n", command.c_str());
        return 2;
    }
    // Running out of memory ends the command with the window program's message.
    // check says 2 for its faults, the others 1.
    const int failure = command == "check" || command == "compare" || command == "readers" ? 2 : 1;
    try {
        return FinishOutput(run(args), failure);
    } catch (CMemoryException* e) {
        e->Delete();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    } catch (const std::runtime_error& e) {
        // A code page converter the system lacks: said, not an abort.
        std::fprintf(stderr, "pixscope-cli: %s\n", e.what());
        return 1;
    }
    AfxMessageBox(CString::FromUtf8("内存不足。"));
    return 1;
}
