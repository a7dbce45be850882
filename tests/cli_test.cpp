// pixscope-cli as a user runs it: output bytes, messages and exit status.
#include "bmp_builder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

// A shell line as it stands, with its redirections and pipes; $CLI names the program.
CliRun Shell(const std::string& line) {
    TempDir dir;
    const std::string cmd = "export CLI=" + ShellQuote(PIXSCOPE_CLI) + " TZ=UTC; (" + line + ") >" +
                            ShellQuote(dir.Path("out")) + " 2>" + ShellQuote(dir.Path("err"));
    const int raw = std::system(cmd.c_str());
    auto text = [](const std::vector<BYTE>& b) { return std::string(b.begin(), b.end()); };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text(ReadFileBytes(dir.Path("out"))),
            text(ReadFileBytes(dir.Path("err")))};
}

} // namespace

#if !defined(__SANITIZE_ADDRESS__)
// A 1 KB run-length file of 2^28 x 1 pixels, under a 2 GB address-space limit: it
// converts, or says memory ran out; it never aborts.
TEST(Cli, Save16OfAVeryWidePictureWithinTwoGigabytes) {
    TempDir dir;
    const BmpFields wide = BmpFields{}
                               .Size(1 << 28, 1)
                               .Bits(8)
                               .Compression(BI_RLE8)
                               .Table(std::vector<RGBQUAD>(256, RGBQUAD{0, 0, 0xFF, 0}))
                               .Pixels({255, 1, 0, 1})
                               .SizeImage(4);
    const std::string in = dir.Write("wide.bmp", BuildBmp(wide)), out = dir.Path("out.bmp");
    CliRun r = Shell("ulimit -v 2000000; $CLI save16 " + ShellQuote(in) + " " + ShellQuote(out));
    if (r.status == 0) {
        EXPECT_EQ(std::filesystem::file_size(out), 54u + (std::uintmax_t{1} << 29));
        // Red where the stream sets pixels, and entry 0, red too, where it sets none.
        EXPECT_EQ(Shell("$CLI pixel " + ShellQuote(out) + " 254 0").out, "0 0 255 0\n");
        EXPECT_EQ(Shell("$CLI pixel " + ShellQuote(out) + " 268435455 0").out, "0 0 255 0\n");
    } else {
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "内存不足。\n");
    }
}

// 2^30 pixels wide and no rows: compare has nothing to read, so nothing to buffer.
TEST(Cli, CompareOfAPictureWithNoRowsWithinTwoGigabytes) {
    TempDir dir;
    const std::string in =
        ShellQuote(dir.Write("flat.bmp", BmpFields{}.Size(1 << 30, 0).Pixels({}).Build()));
    CliRun r = Shell("ulimit -v 2000000; $CLI compare " + in + " " + in);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("the same picture"), std::string::npos) << r.out;
    r = Shell("ulimit -v 2000000; $CLI compare --diff " + ShellQuote(dir.Path("d.png")) + " " + in +
              " " + in);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("PNG 的宽度和高度须在 1 到 2^31-1 之间; not written"), std::string::npos)
        << r.err;
}
#endif

// Each command line as a user types it in a folder of small files: what it prints,
// what it says and its exit status. `out` is exact, or with a "*" at either end only
// its start, its end or a part of it; `err` is a part of stderr, and a line that
// succeeds with no `err` says nothing there. {D} is the folder, {S} the samples', {P}
// the producers'.
TEST(Cli, EachCommandLineGivesItsOutputMessageAndStatus) {
    const std::string outside = "输入的坐标超过图像大小了⊙﹏⊙b汗\n";
    const std::string planes =
        "0x0000001a (26) warning planes: biPlanes 是 3，应为 1；多数读取程序忽略它\n";
    const std::string fifo = "pixscope-cli: fifo: is a FIFO\n";
    const std::string notBmp = "文件不以“BM”开头，不是 BMP 位图文件：打开命令拒绝它";
    const std::string v5 = "Read error\nRead Error!!\npixscope-cli: {P}/im-default.bmp: 信息头长 "
                           "124 字节，是 BITMAPV5HEADER；Pixscope 的打开命令只读取 40 字节的 "
                           "BITMAPINFOHEADER (\"pixscope-cli check {P}/im-default.bmp\" lists";
    const std::string kept = "; s=$?; cat keep.bmp; exit $s";
    // Every reader but our own Qt helper, which only the window build has.
    const std::string everyone = "pillow,imagemagick,graphicsmagick,gdk-pixbuf,ffmpeg,netpbm,vips";
    const std::string verdicts =
        "'\"verdict\": \"[a-z]*\"\\|\"cause\": \"[a-z-]*\", \"pixels\": [0-9]*'";
    // ImageMagick's convert replaced by a script that answers its version, then acts.
    const auto fake = [](const std::string& act) {
        return "mkdir -p f && printf '%s\\n' '#!/bin/sh' 'case \"$1\" in -version) echo Version: "
               "ImageMagick 0.0-0;; *) " +
               act +
               ";; esac' >f/convert && chmod +x f/convert && "
               "PATH=$PWD/f:$PATH $CLI readers --only imagemagick --timeout 1 ";
    };
    const auto pillow = [](const std::string& change) {
        return "/usr/bin/python3 -c \"import sys; from PIL import Image; Image.open(sys.argv[1])." +
               change + ".convert(\\\"RGBA\\\").save(sys.argv[2][6:], \\\"PNG\\\")\" \"$1\" \"$2\"";
    };
    // gdk-pixbuf-pixdata replaced by a script that writes block, a Python bytes expression.
    const auto pixdata = [](const std::string& block) {
        return "mkdir -p pd && printf '%s\\n' '#!/bin/sh' "
               "'/usr/bin/python3 -c \"import struct, sys; "
               "open(sys.argv[1], \\\"wb\\\").write(b\\\"GdkP\\\" + " +
               block +
               ")\" \"$2\"' >pd/gdk-pixbuf-pixdata && chmod +x pd/gdk-pixbuf-pixdata && "
               "PATH=$PWD/pd:$PATH $CLI readers --only gdk-pixbuf $Q/g/rgb24.bmp";
    };
    std::string longLine = "refused: x";
    for (int i = 0; i < 79; ++i)
        longLine += "é";
    const struct {
        std::string line; // after "cd {D} &&"; $S, $P: the samples and producers
        int status;
        std::string out = "**", err = "";
    } rows[] = {
        // clang-format off
        {"$CLI pixel p.bmp 1 0", 0, "13 14 15 16\n"}, // the top row is stored second
        {"$CLI pixel p.bmp 0 1", 0, "1 2 3 4\n"},
        {"$CLI pixel --json p.bmp 1 0", 0, "{\"schema\": 1, \"x\": 1, \"y\": 0, \"b\": 13, \"g\": 14, \"r\": 15, \"s\": 16}\n"},
        {"$CLI pixel td.bmp 1 0", 0, "13 14 15 16\n"}, // top-down: the same pixels
        {"$CLI pixel p.bmp 2 0", 1, "", outside}, {"$CLI pixel p.bmp -1 0", 1, "", outside},
        {"$CLI pixel p.bmp 0 2", 1, "", outside}, {"$CLI pixel p.bmp 0 -1", 1, "", outside},
        {"$CLI pixel p.bmp x 0", 2, ""}, {"$CLI pixel p.bmp 0", 2, ""},
        {"$CLI setpixel $S/sample-24bit.bmp 5 6 1 2 3 4 out.bmp && $CLI pixel out.bmp 5 6 && "
         "[ $(wc -c <out.bmp) = $(wc -c <$S/sample-24bit.bmp) ]", 0, "1 2 3 0\n"},
        {"$CLI setpixel $S/sample-8bit.bmp 0 0 1 2 3 4 keep.bmp", 1, "", "目前只支持24/32位真彩位图！(⊙o⊙)…\n"},
        {"$CLI setpixel $S/sample-16bit.bmp 0 0 1 2 3 4 keep.bmp" + kept, 1, "k", "目前只支持24/32位真彩位图"},
        {"$CLI setpixel $S/sample-24bit.bmp 0 0 1 2 256 4 keep.bmp", 2, ""},
        {"$CLI setpixel $S/sample-24bit.bmp 96 0 1 2 3 4 keep.bmp" + kept, 1, "k", outside},
        {"$CLI", 2, "", "Usage: pixscope-cli COMMAND"},
        {"$CLI frobnicate", 2, "", "frobnicate"},
        {"$CLI report", 2, "", "pixscope-cli report: no file given (try --help)\n"},
        {"$CLI report --colour x.bmp", 2, "", "pixscope-cli report: unknown option --colour (try --help)\n"},
        {"$CLI fields --colour $P/im-default.bmp", 2, ""},
        {"$CLI --help", 0, "*report [--encoding=utf-8|gbk | --json] FILE...*"},
        {"$CLI report --help", 0},
        // Nothing waits on a FIFO or reads a folder, and the message says what it is.
        {"timeout 20 $CLI report fifo", 1, "", fifo}, {"timeout 20 $CLI save16 fifo never.bmp", 1, "", fifo},
        {"timeout 20 $CLI check fifo", 2, "**", "cannot open fifo: is a FIFO\n"},
        {"timeout 20 $CLI where fifo 0 0", 2, "**", "cannot open fifo: is a FIFO\n"},
        {"$CLI check .", 2, "**", "cannot open .: is a directory\n"},
        {"timeout 20 $CLI save16 -- -h fifo; s=$?; [ -p fifo ] || s=99; exit $s", 1, "", "cannot create fifo: is a FIFO\n"},
        // Output that never reaches its file fails the command.
        {"$CLI report -- -h >/dev/full", 1, "", "pixscope-cli: write error: No space left on device\n"},
        {"$CLI check --json -- -h >/dev/full", 2, "", "write error: No space left on device\n"},
        // Options end at the first operand and at --.
        {"$CLI check -- -h --json", 0}, {"$CLI check --json -- --json", 0}, {"$CLI pixel -- -h 0 0", 0},
        {"timeout 20 $CLI report fifo -h", 1, "**", fifo}, {"$CLI setpixel -- -h 0 0 1 2 3 4 copy.bmp", 0},
        // A name that would rewrite the terminal is shown escaped there, kept in a pipe.
        {"script -qec '$CLI report b*all-clean.bmp' /dev/null", 1, "*pixscope-cli: b\\e[3Aall-clean.bmp: *"},
        {"script -qec \"$CLI report $(printf 'x\\177\\001y.bmp')\" /dev/null", 1, "*pixscope-cli: x\\x7f\\x01y.bmp: *"},
        {"$CLI report b*all-clean.bmp 2>&1 | cat", 0, "*pixscope-cli: b\x1b[3Aall-clean.bmp: *"},
        // ".." after a link is the parent of where the link leads.
        {"mkdir -p real/sub work && cp good.bmp real/x.bmp && ln -s ../real/sub work/link && "
         "cd work && $CLI check --json link/../x.bmp", 0, "{\"schema\": 1, \"file\": \"{D}/real/x.bmp\"*"},
        // The report: UTF-8 lines ending CR LF, GBK on request, the last choice counting.
        {"$CLI report $S/sample-8bit.bmp | head -n 1", 0, "{S}/sample-8bit.bmp\r\n"},
        {"$CLI report $S/sample-8bit.bmp | grep -c $(printf '\\r$')", 0, "33\n"},
        {"$CLI report $S/sample-8bit.bmp >u && $CLI report --encoding=gbk $S/sample-8bit.bmp >g && "
         "! cmp -s g u && iconv -f GBK -t UTF-8 g | cmp - u && "
         "$CLI report --encoding=gbk --encoding=utf-8 $S/sample-8bit.bmp | cmp - u", 0, ""},
        {"touch -m -d @1342429504 four.bmp && $CLI report --json four.bmp", 0, "{\"schema\": 1, \"path\": \"{D}/four.bmp\", \"size\": 126, \"created\": \"*"},
        // The creation time is the file's birth, today; loading may touch the access time.
        {"touch -m -d @1342429504 four.bmp && $CLI report --json four.bmp", 0, "*, \"modified\": \"2012-07-16T09:05:04+00:00\", \"accessed\": *"},
        {"$CLI report --json four.bmp", 0, "*\"bfType\": 19778, \"bfSize\": 126, \"bfReserved1\": 0, \"bfReserved2\": 0, "
         "\"bfOffBits\": 118, \"biSize\": 40, \"biWidth\": 4, \"biHeight\": 2, \"biPlanes\": 1, \"biBitCount\": 4, "
         "\"biCompression\": 0, \"biSizeImage\": 8, \"biXPelsPerMeter\": 2835, \"biYPelsPerMeter\": 2835, \"biClrUsed\": 0, "
         "\"biClrImportant\": 0, \"linePixelBytes\": 4, \"colorTableEntries\": 16, \"colorTableBytes\": 64}\n"},
        // Relative and dotted names are reported absolute and normal.
        {"cd $S && $CLI report ./sample-1bit.bmp | head -n 1", 0, "{S}/sample-1bit.bmp\r\n"},
        {"cd $S && $CLI report ././/sample-1bit.bmp | head -n 1", 0, "{S}/sample-1bit.bmp\r\n"},
        {"cd $S && $CLI report ../samples/./sample-1bit.bmp | head -n 1", 0, "{S}/sample-1bit.bmp\r\n"},
        {"$CLI report $S/../samples/sample-1bit.bmp | head -n 1", 0, "{S}/sample-1bit.bmp\r\n"},
        // A name that is not UTF-8 has its stray byte replaced, in either encoding; JSON
        // keeps a valid name that no code page has (U+E78D).
        {"$CLI report '\xFF\xE3\x83\xBB.bmp'", 0, "*\t文件全路径:{D}/\xEF\xBF\xBD\xE3\x83\xBB.bmp\r\n*"},
        {"$CLI report --encoding=gbk '\xFF\xE3\x83\xBB.bmp' | iconv -f GB18030 -t UTF-8", 0, "*\t文件全路径:{D}/\xEF\xBF\xBD\xE3\x83\xBB.bmp\r\n*"},
        {"$CLI check --json '\xEE\x9E\x8D.bmp' '\xFF\xE3\x83\xBB.bmp'", 0,
         "*\"{D}/\xEE\x9E\x8D.bmp\", \"findings\": []}\n{\"schema\": 1, \"file\": \"{D}/\xEF\xBF\xBD\xE3\x83\xBB.bmp\"*"},
        // Two- and four-byte sequences stay; overlong ones and those past U+10FFFF do not.
        {"$CLI check --json '\xC3\xA9\xF0\x9F\x98\x80\xF0\x8F\xBF\xBF\xF4\x90\x80\x80.bmp'", 2,
         "*/\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.bmp\"*"},
        // A failure is said and the rest goes on; each file's output, in order, comes before the next one's messages.
        {"$CLI report $S/sample-24bit.bmp missing.bmp 2>&1 | grep -o 'FILEATTRIBUTE\\|missing.bmp: No'", 0, "FILEATTRIBUTE\nmissing.bmp: No\n"},
        {"$CLI report --json $S/sample-24bit.bmp missing.bmp notes.bmp 2>&1 | cut -c1-9", 0, "{\"schema\"\nCan't Rea\npixscope-\n{\"schema\"\nRead erro\nRead Erro\npixscope-\n{\"schema\"\n"},
        {"$CLI report missing.bmp notes.bmp $S/sample-24bit.bmp >o; s=$?; grep -c FILEATTRIBUTE o; exit $s", 1, "1\n",
         "Can't Read Files!!\npixscope-cli: missing.bmp: No such file or directory\nRead error\nRead Error!!\n"
         "pixscope-cli: notes.bmp: " + notBmp + " (\"pixscope-cli check notes.bmp\" lists every finding)\n"},
        {"$CLI report --json $S/sample-8bit.bmp missing.bmp notes.bmp $S/sample-24bit.bmp >o; s=$?; cut -d, -f2 o; exit $s", 1,
         " \"path\": \"{S}/sample-8bit.bmp\"\n \"path\": \"{D}/missing.bmp\"\n \"path\": \"{D}/notes.bmp\"\n \"path\": \"{S}/sample-24bit.bmp\"\n"},
        {"$CLI report --json missing.bmp notes.bmp", 1, "{\"schema\": 1, \"path\": \"{D}/missing.bmp\", \"error\": {\"id\": \"cannot-open\", \"offset\": 0, "
         "\"message\": \"No such file or directory\"}}\n{\"schema\": 1, \"path\": \"{D}/notes.bmp\", \"error\": {\"id\": \"magic\"*"},
        // Every command refuses a header it does not read by naming it.
        {"$CLI report $P/im-default.bmp", 1, "", v5}, {"$CLI pixel $P/im-default.bmp 0 0", 1, "", v5},
        {"$CLI setpixel $P/im-default.bmp 0 0 1 2 3 4 never.bmp", 1, "", v5}, {"$CLI save16 $P/im-default.bmp never.bmp", 1, "", v5},
        {"$CLI report $P/im-palette.bmp", 1, "", "信息头长 124 字节，是 BITMAPV5HEADER"},
        {"$CLI report $P/im-monochrome.bmp", 1, "", "信息头长 108 字节，是 BITMAPV4HEADER"},
        {"$CLI report $P/gm-alpha.bmp", 1, "", "信息头长 108 字节，是 BITMAPV4HEADER"},
        {"$CLI report $P/im-bmp2.bmp", 1, "", "信息头长 12 字节，是 BITMAPCOREHEADER"},
        {"$CLI report $P/netpbm-os2.bmp", 1, "", "信息头长 12 字节，是 BITMAPCOREHEADER"},
        // where reads every header kind, and says the pixel's colour as Pillow reads it.
        {"$CLI where --json $P/im-default.bmp 0 0", 0, "*\"b\": 0, \"g\": 5, \"r\": 0, *"},
        {"$CLI where --json $P/im-monochrome.bmp 0 0", 0, "*\"b\": 0, \"g\": 0, \"r\": 0, *"},
        {"$CLI where --json $P/netpbm-os2.bmp 0 0", 0, "*\"b\": 0, \"g\": 5, \"r\": 0, *"},
        // save16: a 16-bit file saved again comes out as it went in; pixels stored other
        // than the header says, or that the file did not hold, are not saved.
        {"$CLI save16 $S/sample-24bit.bmp a.bmp && $CLI save16 a.bmp b.bmp && cmp a.bmp b.bmp && "
         "wc -c <a.bmp && od -An -tu1 -j28 -N1 a.bmp", 0, "12342\n  16\n"},
        {"$CLI save16 rle24.bmp keep.bmp" + kept, 1, "k", "压缩方式 1 与 24 位像素不符：像素不是这样存放的，保存的文件读不回它们；没有写入任何文件。\n"},
        {"$CLI save16 pal2.bmp o2.bmp && $CLI pixel o2.bmp 1 1", 0, "0 0 255 0\n"}, // 2 bits, through the table
        {"$CLI save16 huge.bmp keep.bmp" + kept, 1, "k", "像素数据不完整：biSizeImage 只有 4294967280 字节"},
        {"$CLI setpixel huge.bmp 0 0 1 2 3 4 keep.bmp" + kept, 1, "k", "像素数据不完整"},
        // A read-only OUT is refused as one that can't be created, for root too, as is
        // one in a missing folder.
        {"$CLI save16 $S/sample-24bit.bmp none/x.bmp", 1, "", "cannot create"},
        {"cp keep.bmp ro.bmp && chmod 444 ro.bmp && $CLI save16 $S/sample-24bit.bmp ro.bmp; s=$?; cat ro.bmp; exit $s", 1, "k", "cannot create"},
        // fields, check and where
        {"$CLI check warn.bmp", 0, planes},
        {"$CLI check good.bmp", 0, ""},
        {"$CLI check good.bmp warn.bmp", 0, "good.bmp:\nwarn.bmp:\n" + planes},
        {"$CLI fields --json $P/im-default.bmp", 0, "{\"schema\": 1, \"path\": \"{P}/im-default.bmp\", \"size\": 418, \"regions\": [*"},
        {"$CLI fields --json $P/im-default.bmp", 0, "*{\"name\": \"BITMAPV5HEADER\", \"offset\": 14, \"size\": 124, \"cut\": false, \"fields\": [*"},
        {"$CLI fields --json $P/im-default.bmp", 0, "*{\"name\": \"bV5RedMask\", \"offset\": 54, \"size\": 4, \"value\": 16711680, \"shown\": \"0x00ff0000\", \"bytes\": \"0000ff00\", \"text\": *"},
        {"$CLI fields $P/im-default.bmp", 0, "*  0x00000036 4 bV5RedMask 0x00ff0000 [0000ff00]  *"},
        // A field's bytes that are no text are shown escaped: a terminal escape, a line end.
        {"cp good.bmp esc.bmp && printf '\\033\\n' | dd of=esc.bmp conv=notrunc status=none && $CLI fields esc.bmp | sed -n 2p", 0, "*bfType '\\x1b\\x0a' [1b0a]*"},
        // Quotes and control characters in a name are escaped in JSON.
        {"$CLI check --json \"$BAD\"", 1,
         "{\"schema\": 1, \"file\": \"{D}/bad\\\"\\u0009\\u001fname.bmp\", \"findings\": [{\"id\": \"magic\", "
         "\"severity\": \"error\", \"offset\": 0, \"length\": 2, \"field\": \"bfType\", "
         "\"declared\": null, \"actual\": null, \"message\": \"" + notBmp + "\"}]}\n"},
        // A file that can't be opened outweighs an error.
        {"$CLI check good.bmp missing.bmp \"$BAD\"", 2, "**", "missing.bmp"},
        {"$CLI check", 2, ""},
        {"$CLI where --json good.bmp 3 0", 0,
         "{\"schema\": 1, \"x\": 3, \"y\": 0, \"offset\": 75, \"bit\": null, \"row\": 1, \"rowOffset\": 66, "
         "\"stride\": 12, \"padding\": 0, \"bytes\": \"000000\", \"read\": true, "
         "\"b\": 0, \"g\": 0, \"r\": 0, \"s\": 0, \"raw\": 0}\n"},
        // Its decoding: the 5-5-5 channels, the table entry, a skipped pixel's policy.
        {"$CLI where --json $Q/g/rgb16.bmp 1 1", 0,
         "*\"raw\": 31777, \"channels\": [{\"name\": \"red\", \"mask\": 31744, \"value\": 31, "
         "\"bits\": 5, \"widened\": 255}, {\"name\": \"green\", \"mask\": 992, \"value\": 1, "
         "\"bits\": 5, \"widened\": 8}, {\"name\": \"blue\", \"mask\": 31, \"value\": 1, "
         "\"bits\": 5, \"widened\": 8}]}\n"},
        {"$CLI where --json $Q/g/pal8.bmp 1 1", 0,
         "*\"raw\": 5, \"index\": 5, \"entry\": {\"offset\": 74, \"b\": 0, \"g\": 0, "
         "\"r\": 255, \"reserved\": 0, \"inTable\": true}}\n"},
        {"$CLI where --json $Q/q/pal8rletrns.bmp 32 32", 0,
         "*\"raw\": null, \"entry\": {\"offset\": 54, \"b\": 255, \"g\": 0, \"r\": 128, "
         "\"reserved\": 0, \"inTable\": true}, \"skipped\": \"index0\"}\n"},
        {"$CLI where --json $Q/q/rgba64.bmp 1 1", 0,
         "*\"raw\": \"2305876935161675796\", \"fixed\": [{\"name\": \"blue\", \"stored\": 20, "
         "\"value\": 0.00244141, \"linear\": 0.00244141, \"result\": 8}, {\"name\": \"green\", "
         "\"stored\": 20, \"value\": 0.00244141, \"linear\": 0.00244141, \"result\": 8}, "
         "{\"name\": \"red\", \"stored\": 7899, \"value\": 0.964233, \"linear\": 0.964233, "
         "\"result\": 251}, {\"name\": \"alpha\", "
         "\"stored\": 8192, \"value\": 1, \"linear\": 1, \"result\": 255}]}\n"},
        {"$CLI where good.bmp 4 0", 1, "", outside},
        {"$CLI where missing.bmp 0 0", 2, ""}, {"$CLI where good.bmp 0", 2, ""},
        {"$CLI where one.bmp 10 0", 0, "pixel (10, 0)\noffset 0x00000043 (67), bit 5\n"
         "stored row 1 at 0x00000042 (66)\nrow stride 4 bytes, padding 2\nbytes 20\n"},
        {"$CLI where cut.bmp 3 0", 0, "pixel (3, 0)\noffset 0x0000004b (75)\nstored row 1 at "
         "0x00000042 (66)\nrow stride 12 bytes, padding 0\nbytes (past the end of the file)\n"},
        {"$CLI where rle.bmp 3 0", 0, "pixel (3, 0)\nrun-length code at 0x0000043e (1086): 02 04\n"
         "stored row 1\n"},
        // fields --pixels: each code and its fault, the bytes a cut code leaves unused.
        {"$CLI fields --pixels faults.bmp | grep -A1 '^    0x'", 0,
         "    0x00000436 2 run x=0 y=1 count=6 index=1\n"
         "      ! 游程超出本行的右边缘（第 0 行，x = 0）：多出的像素被丢弃\n"
         "    0x00000438 4 delta x=4 y=1 dx=9 dy=0\n"
         "      ! 位移码超出图像（第 0 行，x = 4）：停在边缘，或移出顶行后不再绘制\n"
         "    0x0000043c 3 unused\n"
         "      ! 游程编码流在一个编码中间结束（第 0 行，x = 4）：之后的像素都没有设置\n"},
        {"$CLI fields --pixels delta.bmp | grep '^    0x'", 0,
         "    0x00000436 4 delta x=0 y=1 dx=1 dy=1\n    0x0000043a 2 end-of-bitmap x=1 y=0\n"},
        {"$CLI fields --pixels --json rle.bmp", 0,
         "*\"units\": [{\"kind\": \"run\", \"offset\": 1078, \"size\": 2, \"x\": 0, \"y\": 1, "
         "\"count\": 2, \"index\": 1}, {\"kind\": \"run\", \"offset\": 1080, \"size\": 2, "
         "\"x\": 2, \"y\": 1, \"count\": 2, \"index\": 2}, {\"kind\": \"end-of-line\", "
         "\"offset\": 1082, \"size\": 2, \"x\": 4, \"y\": 1}, {\"kind\": \"run\", \"offset\": 1084, "
         "\"size\": 2, \"x\": 0, \"y\": 0, \"count\": 2, \"index\": 3}, {\"kind\": \"run\", "
         "\"offset\": 1086, \"size\": 2, \"x\": 2, \"y\": 0, \"count\": 2, \"index\": 4}, "
         "{\"kind\": \"end-of-line\", \"offset\": 1088, \"size\": 2, \"x\": 4, \"y\": 0}, "
         "{\"kind\": \"end-of-bitmap\", "
         "\"offset\": 1090, \"size\": 2, \"x\": null, \"y\": null}]}]}\n"},
        {"$CLI fields --pixels good.bmp | tail -2", 0,
         "    0x00000036 12 row x=0 y=1 padding=0\n    0x00000042 12 row x=0 y=0 padding=0\n"},
        {"$CLI where unset.bmp 3 1", 0, "pixel (3, 1)\nno run-length code sets it\nstored row 0\n"},
        // decode: the whole reading as a PNG; an embedded PNG reads as its plain twin.
        {"$CLI decode $Q/q/rgb24png.bmp a.png && $CLI decode $Q/g/rgb24.bmp b.png && cmp a.png b.png", 0, "*b.png: 127 x 64, RGBA\n"},
        {"$CLI decode --skipped=transparent $Q/q/pal8rletrns.bmp t.png && $CLI decode $Q/q/pal8rletrns.bmp e.png && "
         "! cmp -s t.png e.png", 0, "*pixels no run-length code sets: transparent\n*"},
        {"$CLI decode --image 1 $Q/x/ba-bm.bmp keep.bmp" + kept, 1, "k", "has no image 1\n"},
        {"$CLI decode $Q/b/rgb16-880.bmp keep.bmp" + kept, 1, "k", "掩码为零，无法解码; nothing written\n"},
        {"$CLI decode notes.bmp keep.bmp" + kept, 1, "k", "没有可读的信息头; nothing written\n"},
        {"timeout 20 $CLI decode huge.bmp keep.bmp" + kept, 1, "k", "图像声明 3000000 × 2000000 个像素，远多于"},
        {"$CLI decode --skipped=grey $Q/g/rgb24.bmp keep.bmp" + kept, 2, "k", "unknown option --skipped=grey"},
        {"$CLI decode --colour-managed $Q/q/rgb24lprof.bmp l.png && $CLI decode $Q/g/rgb24.bmp r.png && cmp l.png r.png", 0,
         "**", "链接的文件名，Pixscope 不会替文件打开它"},
        // compare: fields by meaning across header kinds, pixels counted, boxed and traced.
        {"$CLI compare $Q/g/rgb24.bmp $Q/g/rgb24.bmp", 0, "*PSNR infinite (no difference)\nthe same picture; 0 of 17 fields differ\n"},
        // The same codes through another colour table: a stream's bytes are no rows to compare.
        {"cp rle.bmp r2.bmp && printf '\\377' | dd of=r2.bmp bs=1 seek=58 conv=notrunc status=none && $CLI compare rle.bmp r2.bmp", 1,
         "*\n2 of 8 pixels differ; 1 of 18 fields differ\n"},
        {"$CLI compare --json $Q/g/pal8.bmp $Q/g/pal8rle.bmp | grep -o '\"name\": \"compression\", \"a\": 0, \"b\": 1, \"differs\": true\\|\"same\": true'", 0,
         "\"name\": \"compression\", \"a\": 0, \"b\": 1, \"differs\": true\n\"same\": true\n"},
        {"$CLI compare $Q/g/pal8.bmp $Q/g/pal8os2.bmp | grep -E 'headerSize|compression|same'", 0,
         "  * headerSize           40                 12\n    compression          0                  0 (implied)\n"
         "the same picture; 9 of 17 fields differ\n"},
        {"$CLI compare $Q/g/pal8v5.bmp $Q/g/pal8.bmp | grep -E 'header |csType|same'", 0,
         "  * header               BITMAPV5HEADER     BITMAPINFOHEADER\n  * csType               0x73524742         -\n"
         "the same picture; 10 of 23 fields differ\n"},
        {"$CLI compare $Q/g/rgb16.bmp $Q/g/rgb16bfdef.bmp | grep -E 'compression|redMask|same'", 0,
         "  * compression          0                  3\n    redMask              0x00007c00         0x00007c00\n"
         "the same picture; 3 of 21 fields differ\n"},
        {"$CLI compare $Q/g/rgb24.bmp $Q/reference/rgb24.png", 0, "*PNG 127 x 64\npixels: 0 differ by more than 0 in a channel\n*"},
        {"$CLI compare $Q/g/rgb16.bmp $Q/reference/rgb16.png | grep -E 'largest|pixels differ'", 0,
         "  largest difference: r 1 g 1 b 1 a 0\n1296 of 8128 pixels differ\n"},
        {"$CLI compare --fuzz 1 $Q/g/rgb16.bmp $Q/reference/rgb16.png", 0, "*the same picture within 1\n"},
        {"cp $Q/g/rgb24.bmp c.bmp && chmod u+w c.bmp && for xy in '20 7' '9 1' '5 3'; do $CLI setpixel c.bmp $xy 1 2 3 0 c.bmp; done && "
         "$CLI compare --json $Q/g/rgb24.bmp c.bmp", 1,
         "*\"differ\": 3, \"largest\": {\"r\": 248, \"g\": 163, \"b\": 164, \"a\": 0}, \"mae\": 0.038847, \"psnr\": 39.5152, \"box\": {\"left\": 5, \"top\": 1, \"right\": 20, \"bottom\": 7}, \"first\": {\"x\": 9, \"y\": 1, "
         "\"colourA\": {\"r\": 251, \"g\": 74, \"b\": 74, \"a\": 255}, \"colourB\": {\"r\": 3, \"g\": 2, \"b\": 1, \"a\": 255}, "
         "\"offsetA\": 23889, \"bitA\": null, \"offsetB\": 23889, \"bitB\": null}, \"same\": false}\n"},
        // The difference picture marks just the differing pixels: against A faded whole.
        {"cp $Q/g/rgb24.bmp c.bmp && chmod u+w c.bmp && for xy in '20 7' '9 1' '5 3'; do $CLI setpixel c.bmp $xy 1 2 3 0 c.bmp; done && "
         "$CLI compare --diff d.png $Q/g/rgb24.bmp c.bmp; $CLI compare --fuzz 255 --diff f.png $Q/g/rgb24.bmp c.bmp && $CLI compare d.png f.png", 1,
         "*  box: (5, 1) to (20, 7)\n  first: (9, 1)  A 255,0,255,255  B 254,210,210,255\n3 of 8128 pixels differ\n"},
        {"$CLI compare good.bmp $Q/g/rgb24.bmp", 1, "*\ndifferent sizes: 4 x 2 and 127 x 64; 4 of 17 fields differ\n"},
        {"$CLI compare --diff keep.bmp $Q/g/rgb24.bmp notes.bmp" + kept, 2, "k", "notes.bmp: 没有可读的信息头\n"},
        {"$CLI compare --fuzz 256 good.bmp good.bmp", 2, "", "--fuzz takes a whole number from 0 to 255"},
        // readers: the real readers on the suite's files, and a reader replaced by scripts.
        {"$CLI readers --only " + everyone + " $Q/g/rgb24.bmp | grep -c ' same$'", 0, "7\n"},
        {"$CLI readers --json --only pillow $Q/g/rgb16.bmp | grep -o " + verdicts, 0,
         "\"verdict\": \"differs\"\n\"cause\": \"channel-widening\", \"pixels\": 5029\n"},
        // Pillow reads a delta code as four bytes: what follows is out of place.
        {"$CLI readers --json --only " + everyone + " $Q/q/pal8rletrns.bmp | grep -o '\"name\": \"[a-z-]*\"\\|\"cause\": \"[a-z-]*\"'", 0,
         "\"name\": \"pillow\"\n\"cause\": \"skipped-pixels\"\n\"cause\": \"other\"\n\"name\": \"imagemagick\"\n"
         "\"name\": \"graphicsmagick\"\n\"name\": \"gdk-pixbuf\"\n\"cause\": \"skipped-pixels\"\n"
         "\"name\": \"ffmpeg\"\n\"name\": \"netpbm\"\n\"name\": \"vips\"\n"},
        {"$CLI readers --only vips $Q/b/pal8badindex.bmp $Q/q/rgb32fakealpha.bmp $Q/q/rgb32-111110.bmp $Q/q/rgb16-231.bmp | grep -o 'vips [a-z]* (.*'", 0,
         "vips differs (palette-index 4793)\nvips differs (alpha 8001)\nvips differs (masks 1974)\nvips differs (channel-widening 7070)\n"},
        {"$CLI readers --only ffmpeg,gdk-pixbuf $Q/q/rgb16-231.bmp $Q/g/rgb24.bmp | tail -3", 0,
         "reader              same  differs  refused  crashed  timeout  missing\n"
         "ffmpeg                 1        0        1        0        0        0\n"
         "gdk-pixbuf             1        1        0        0        0        0\n"},
        {"$CLI readers --only " + everyone + " $Q/b/reallybig.bmp | grep -c refused", 0, "7\n"},
        // bfOffBits cuts the table after 2 of its 4 entries: Pillow takes pixel bytes for the rest.
        {"/usr/bin/python3 -c \"import struct; open('cut.bmp', 'wb').write(b'BM' + struct.pack('<IHHI', 70, 0, 0, 62) + "
         "struct.pack('<IiiHHIIiiII', 40, 4, 1, 1, 8, 0, 4, 0, 0, 4, 0) + bytes([0, 0, 255, 0, 0, 255, 0, 0, 0, 1, 2, 3]))\" && "
         "$CLI readers --json --only pillow cut.bmp | grep -o " + verdicts, 0,
         "\"verdict\": \"differs\"\n\"cause\": \"palette-index\", \"pixels\": 2\n"},
        {"$CLI readers --timeout 5 $S/../fuzz/regressions/* | grep -c '^reader '", 0, "1\n"},
        {"PATH=/nowhere $CLI readers --only ffmpeg $Q/g/rgb24.bmp", 0,
         "*  ffmpeg          -                missing (Debian package ffmpeg)\n"},
        {fake("sleep 30") + "$Q/g/rgb24.bmp", 1, "*  imagemagick     0.0-0            timeout: killed after 1 s\n"},
        {fake("kill -SEGV $$") + "$Q/g/rgb24.bmp", 1, "*crashed: signal 11 (SIGSEGV)\n"},
        {fake("echo garbage > ${2#PNG32:}") + "$Q/g/rgb24.bmp", 1, "*refused: wrote no picture that can be read: libpng*"},
        {fake("exit 3") + "$Q/g/rgb24.bmp", 1, "*refused: exit status 3\n"},
        // A wrapper's status past 128 that no crash gives (SIGTERM's) is a refusal, with the
        // last line that says something.
        {fake("echo convert: no decode delegate >&2; echo >&2; exit 143") + "$Q/g/rgb24.bmp", 1,
         "*refused: convert: no decode delegate\n"},
        // A reader names the file as the user gave it, cuts a long message on a character's
        // edge, and works in a folder of its own.
        {"cp $Q/g/rgb24.bmp a.bmp && " + fake("echo \"convert: unable to open $1\" >&2; exit 1") + "a.bmp", 1,
         "*/a.bmp\n"},
        {fake("{ printf x; for i in $(seq 100); do printf é; done; } >&2; exit 1") + "$Q/g/rgb24.bmp", 1, "*" + longLine + "…\n"},
        {fake("touch stray; exit 1") + "$Q/g/rgb24.bmp; test ! -e stray", 0},
        {pixdata("struct.pack(\\\">5I\\\", 24, 0x02010001, 384, 127, 64)"), 1,
         "*refused: wrote no picture that can be read: a GdkPixdata block of a kind not read here\n"},
        {pixdata("struct.pack(\\\">5I\\\", 24, 0x01010001, 384, 127, 64) + bytes(384)"), 1,
         "*refused: wrote no picture that can be read: the GdkPixdata block is cut short\n"},
        {fake(pillow("transpose(Image.FLIP_TOP_BOTTOM)")) + "--json $Q/g/rgb24.bmp | grep -o " + verdicts, 0,
         "\"verdict\": \"differs\"\n\"cause\": \"orientation\", \"pixels\": 7128\n"},
        // Colours read otherwise are a profile's doing only where the file asks for one: V4
        // calibrated, not V5 sRGB.
        {fake(pillow("convert(\\\"L\\\")")) + "--json $Q/g/pal8v4.bmp $Q/g/pal8v5.bmp | grep -o '\"cause\": \"[a-z-]*\"'", 0,
         "\"cause\": \"colour-profile\"\n\"cause\": \"other\"\n"},
        {fake(pillow("crop((0, 0, 5, 5))")) + "--json $Q/g/rgb24.bmp | grep -o " + verdicts, 0,
         "\"verdict\": \"differs\"\n\"cause\": \"size\", \"pixels\": 8128\n"},
        {"$CLI readers --only nobody x.bmp", 2, "", "no reader is called nobody"},
        {"$CLI readers --timeout 0 x.bmp", 2, "", "--timeout takes seconds"},
        // clang-format on
    };
    TempDir dir;
    BmpFields p = BmpFields{}.Size(2, 2).Bits(32).Pixels(
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    dir.Write("p.bmp", p.Build());
    dir.Write(
        "td.bmp",
        p.Size(2, -2).Pixels({9, 10, 11, 12, 13, 14, 15, 16, 1, 2, 3, 4, 5, 6, 7, 8}).Build());
    std::vector<BYTE> warned = BmpFields{}.Build(), cut = BmpFields{}.Build();
    warned[26] = 3; // biPlanes
    cut.resize(cut.size() - 3);
    const auto rle = [](std::vector<BYTE> stream) {
        const auto n = static_cast<DWORD>(stream.size());
        return BmpFields{}
            .Bits(8)
            .Table(std::vector<RGBQUAD>(256))
            .Compression(BI_RLE8)
            .Pixels(std::move(stream))
            .SizeImage(n)
            .Build();
    };
    const std::string samples = std::filesystem::canonical(PIXSCOPE_SAMPLES).string();
    for (const char* name : {"good.bmp", "\xFF\xE3\x83\xBB.bmp", "\xEE\x9E\x8D.bmp"})
        dir.Write(name, BmpFields{}.Build());
    for (const char* name : {"-h", "--json"})
        dir.Write(name, ReadFileBytes(samples + "/sample-24bit.bmp"));
    ::mkfifo(dir.Path("fifo").c_str(), 0600);
    dir.Write("warn.bmp", warned);
    dir.Write("cut.bmp", cut);
    dir.Write("keep.bmp", {'k'});
    dir.Write("notes.bmp", {'h', 'e', 'l', 'l', 'o'});
    dir.Write("b\x1b[3Aall-clean.bmp", {'x'});
    dir.Write("bad\"\t\x1fname.bmp", {'B', 'A'});
    dir.Write("four.bmp", BmpFields{}.Bits(4).Table(std::vector<RGBQUAD>(16)).Build());
    dir.Write("rle24.bmp",
              BmpFields{}.Size(1, 1).Compression(BI_RLE8).Pixels({0, 0, 0xF8, 0}).Build());
    dir.Write("pal2.bmp", BmpFields{}
                              .Bits(2)
                              .Table({{}, {0, 0, 0xFF, 0}, {}, {}})
                              .Pixels({0x10, 0, 0, 0, 0, 0, 0, 0})
                              .Build());
    dir.Write("huge.bmp", BmpFields{}
                              .Size(3000000, 2000000)
                              .SizeImage(0xFFFFFFF0u)
                              .Pixels(std::vector<BYTE>(64))
                              .Build());
    dir.Write("one.bmp", BmpFields{}
                             .Size(12, 2)
                             .Bits(1)
                             .Table({{}, {}})
                             .Pixels({0, 0, 0, 0, 0, 0x20, 0, 0})
                             .Build());
    dir.Write("rle.bmp", rle({2, 1, 2, 2, 0, 0, 2, 3, 2, 4, 0, 0, 0, 1}));
    dir.Write("unset.bmp", rle({2, 1, 0, 1}));
    dir.Write("faults.bmp", rle({6, 1, 0, 2, 9, 0, 0, 3, 1}));
    dir.Write("delta.bmp", rle({0, 2, 1, 1, 0, 1}));
    const auto fill = [&](std::string text) {
        for (const auto& [mark, value] : {std::pair{"{D}", dir.Dir()},
                                          {"{S}", samples},
                                          {"{P}", std::string(PIXSCOPE_PRODUCERS)}})
            for (size_t at; (at = text.find(mark)) != std::string::npos;)
                text.replace(at, 3, value);
        return text;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const CliRun r = Shell("cd " + ShellQuote(dir.Dir()) + " && S=" + ShellQuote(samples) +
                               " P=" + ShellQuote(PIXSCOPE_PRODUCERS) +
                               " Q=" + ShellQuote(std::string(PIXSCOPE_CORPUS) + "/bmpsuite") +
                               " BAD=$(printf 'bad\"\\t\\037name.bmp') && " + row.line);
        EXPECT_EQ(r.status, row.status) << r.err;
        std::string out = fill(row.out);
        const bool anyStart = out.size() >= 2 && out.front() == '*';
        const bool anyEnd = out.size() >= 2 && out.back() == '*';
        out = out.substr(anyStart, out.size() - anyStart - anyEnd);
        const size_t at = anyStart ? r.out.find(out) : r.out.rfind(out, 0);
        EXPECT_TRUE(at != std::string::npos && (anyEnd || at + out.size() == r.out.size()))
            << r.out;
        EXPECT_NE(r.err.find(fill(row.err)), std::string::npos) << r.err;
        EXPECT_TRUE(!row.err.empty() || row.status != 0 || r.err.empty()) << r.err;
    }
    // The FIFO is one still, nothing was made of a refused file, no temporary file is left.
    EXPECT_FALSE(std::filesystem::exists(dir.Path("never.bmp")));
    for (const auto& entry : std::filesystem::directory_iterator(dir.Dir()))
        EXPECT_NE(entry.path().filename().string().rfind(".pixscope-", 0), 0u) << entry.path();
}
