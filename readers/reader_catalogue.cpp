#include "readers/reader_catalogue.h"

#include <cctype>

namespace readers {

namespace {

// Pillow as a program would use it: open, load, and hand the picture on as RGBA.
const char kPillowScript[] = "import sys\n"
                             "from PIL import Image\n"
                             "try:\n"
                             "    im = Image.open(sys.argv[1])\n"
                             "    im.load()\n"
                             "    im.convert('RGBA').save(sys.argv[2], 'PNG')\n"
                             "except Exception as e:\n"
                             "    sys.exit(type(e).__name__ + ': ' + str(e))\n";

std::vector<ReaderKind> Make() {
    using Step = ReaderKind::Step;
    std::vector<ReaderKind> all;
    all.push_back({"pillow",
                   "python3-pil",
                   {"/usr/bin/python3", "python3"},
                   "",
                   {"-c", "import PIL; print(PIL.__version__)"},
                   "",
                   {Step{"", {"-c", kPillowScript, "{in}", "{out}"}, ""}},
                   PictureKind::Png});
    all.push_back({"imagemagick",
                   "imagemagick",
                   {"magick", "convert"},
                   "",
                   {"-version"},
                   "ImageMagick ",
                   {Step{"", {"{in}", "PNG32:{out}"}, ""}},
                   PictureKind::Png});
    all.push_back({"graphicsmagick",
                   "graphicsmagick",
                   {"gm"},
                   "",
                   {"-version"},
                   "GraphicsMagick ",
                   {Step{"", {"convert", "{in}", "PNG32:{out}"}, ""}},
                   PictureKind::Png});
    all.push_back({"gdk-pixbuf",
                   "libgdk-pixbuf2.0-bin",
                   {"gdk-pixbuf-pixdata"},
                   "gdk-pixbuf-csource",
                   {"--version"},
                   "version ",
                   {Step{"", {"{in}", "{out}"}, ""}},
                   PictureKind::Pixdata});
    all.push_back({"qt",
                   "pixscope",
                   {"pixscope-qt-reader"},
                   "",
                   {"--version"},
                   "Qt ",
                   {Step{"", {"{in}", "{out}"}, ""}},
                   PictureKind::Png});
    all.push_back(
        {"ffmpeg",
         "ffmpeg",
         {"ffmpeg"},
         "",
         {"-version"},
         "version ",
         {Step{"",
               {"-nostdin", "-hide_banner", "-loglevel", "error", "-i", "{in}", "-frames:v", "1",
                "-pix_fmt", "rgba", "-f", "image2", "-update", "1", "{out}"},
               ""}},
         PictureKind::Png});
    all.push_back({"netpbm",
                   "netpbm",
                   {"bmptopnm"},
                   "",
                   {"-version"},
                   "Netpbm ",
                   {Step{"", {"{in}"}, "{mid}"}, Step{"pnmtopng", {"{mid}"}, "{out}"}},
                   PictureKind::Png});
    all.push_back({"vips",
                   "libvips-tools",
                   {"vips"},
                   "",
                   {"--version"},
                   "vips-",
                   {Step{"", {"copy", "{in}", "{out}"}, ""}},
                   PictureKind::Png});
    return all;
}

} // namespace

const std::vector<ReaderKind>& Catalogue() {
    static const std::vector<ReaderKind> all = Make();
    return all;
}

std::string VersionIn(const std::string& text, const std::string& marker) {
    std::size_t at = marker.empty() ? 0 : text.find(marker);
    if (at == std::string::npos)
        return "";
    at += marker.size();
    for (; at < text.size(); ++at) {
        if (!std::isdigit(static_cast<unsigned char>(text[at])))
            continue;
        std::size_t end = at;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) &&
               text[end] != ',' && text[end] != ')')
            ++end;
        const std::string v = text.substr(at, end - at);
        if (v.find('.') != std::string::npos)
            return v;
        at = end;
    }
    return "";
}

} // namespace readers
