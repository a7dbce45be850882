#!/usr/bin/env bash
# Writes the BMP files in this folder with the programs people use, and records for
# each the command that made it (made.tsv) and the colours that Pillow and ImageMagick
# read at two opposite corners and the centre (colours.tsv). Run by hand where those
# programs are installed (imagemagick graphicsmagick netpbm ffmpeg python3-pil, and
# qt6-base-dev for qt_write.cpp); the build and the tests only read what it leaves here.
set -euo pipefail
cd "$(dirname "$0")"
py=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The pictures they convert: odd widths, no two pixels of src alike.
"$py" - "$work" <<'PY'
import sys
from PIL import Image
d = sys.argv[1]
src = Image.new("RGB", (13, 7))
src.putdata([(x * 19, y * 36 + 5, (x * 7 + y * 29) % 256) for y in range(7) for x in range(13)])
src.save(d + "/src.ppm")
sixteen = Image.new("RGB", (9, 5))
sixteen.putdata([((i % 16) * 16, 255 - (i % 16) * 15, (i % 4) * 80) for i in range(45)])
sixteen.save(d + "/sixteen.ppm")
grey = Image.new("L", (11, 6))
grey.putdata([(x * 23 + y * 5) % 256 for y in range(6) for x in range(11)])
grey.save(d + "/grey.pgm")
mono = Image.new("1", (13, 7))
mono.putdata([255 if (x // 2 + y) % 2 else 0 for y in range(7) for x in range(13)])
mono.save(d + "/mono.pbm")
alpha = src.convert("RGBA")
alpha.putalpha(Image.new("L", (13, 7), 200))
alpha.save(d + "/alpha.png")
PY

rm -f ./*.bmp
: > made.tsv
make() { # NAME PRODUCER COMMAND...: runs COMMAND in the work folder
    local name=$1 producer=$2
    shift 2
    (cd "$work" && "$@")
    mv "$work/$name" .
    printf '%s\t%s\t%s\n' "$name" "$producer" "$*" >> made.tsv
}
pil() { # NAME PYTHON-EXPRESSION
    make "$1" pillow "$py" -c "from PIL import Image; $2"
}

make im-default.bmp imagemagick convert src.ppm im-default.bmp
make im-bmp3.bmp imagemagick convert src.ppm BMP3:im-bmp3.bmp
make im-bmp3-palette.bmp imagemagick convert src.ppm -type Palette BMP3:im-bmp3-palette.bmp
make im-bmp3-grey.bmp imagemagick convert grey.pgm BMP3:im-bmp3-grey.bmp
make im-bmp3-mono.bmp imagemagick convert mono.pbm -monochrome BMP3:im-bmp3-mono.bmp
make im-palette.bmp imagemagick convert src.ppm -type Palette im-palette.bmp
make im-monochrome.bmp imagemagick convert src.ppm -monochrome im-monochrome.bmp
make im-bmp2.bmp imagemagick convert src.ppm BMP2:im-bmp2.bmp
make im-alpha.bmp imagemagick convert alpha.png im-alpha.bmp
make im-bmp3-sixteen.bmp imagemagick convert sixteen.ppm -type Palette BMP3:im-bmp3-sixteen.bmp
make gm-default.bmp graphicsmagick gm convert src.ppm gm-default.bmp
make gm-palette.bmp graphicsmagick gm convert src.ppm -type Palette gm-palette.bmp
make gm-grey.bmp graphicsmagick gm convert grey.pgm gm-grey.bmp
make gm-sixteen.bmp graphicsmagick gm convert sixteen.ppm -type Palette gm-sixteen.bmp
make gm-mono.bmp graphicsmagick gm convert mono.pbm gm-mono.bmp
make gm-alpha.bmp graphicsmagick gm convert alpha.png gm-alpha.bmp
make gm-bmp3.bmp graphicsmagick gm convert src.ppm BMP3:gm-bmp3.bmp
make netpbm-24.bmp netpbm sh -c 'ppmtobmp -quiet src.ppm > netpbm-24.bmp'
make netpbm-os2.bmp netpbm sh -c 'ppmtobmp -quiet -os2 src.ppm > netpbm-os2.bmp'
make netpbm-grey.bmp netpbm sh -c 'ppmtobmp -quiet grey.pgm > netpbm-grey.bmp'
make netpbm-mono.bmp netpbm sh -c 'ppmtobmp -quiet mono.pbm > netpbm-mono.bmp'
make netpbm-sixteen.bmp netpbm sh -c 'ppmtobmp -quiet sixteen.ppm > netpbm-sixteen.bmp'
for fmt in bgr24 pal8 gray monob rgb555le rgb565le rgb444le bgra; do
    make "ffmpeg-$fmt.bmp" ffmpeg ffmpeg -loglevel error -i src.ppm -pix_fmt "$fmt" "ffmpeg-$fmt.bmp"
done
g++ -std=c++17 -fPIC qt_write.cpp -o "$work/qt_write" $(pkg-config --cflags --libs Qt6Gui)
for kind in rgb32 indexed8 mono argb32; do
    make "qt-$kind.bmp" qt env QT_QPA_PLATFORM=offscreen ./qt_write src.ppm mono.pbm alpha.png .
    (cd "$work" && rm -f qt-*.bmp)
done
pil pillow-rgb.bmp "Image.open('src.ppm').save('pillow-rgb.bmp')"
pil pillow-l.bmp "Image.open('grey.pgm').save('pillow-l.bmp')"
pil pillow-p.bmp "Image.open('src.ppm').convert('P').save('pillow-p.bmp')"
pil pillow-1.bmp "Image.open('mono.pbm').save('pillow-1.bmp')"
pil pillow-rgba.bmp "Image.open('alpha.png').save('pillow-rgba.bmp')"

# What each reader gives at two opposite corners and the centre (a flip, a mirror, a
# channel or palette mistake shows at one of them); "-" where it cannot read.
"$py" - made.tsv > colours.tsv <<'PY'
import subprocess, sys
from PIL import Image
print("file\tx\ty\tpillow\timagemagick")
for line in open(sys.argv[1]):
    name = line.split("\t")[0]
    try:
        im = Image.open(name).convert("RGB")
        w, h = im.size
        pil = lambda x, y: "%d,%d,%d" % im.getpixel((x, y))[::-1]
    except Exception:
        im = None
    raw = subprocess.run(["convert", name, "-depth", "8", "rgb:-"], capture_output=True)
    iw = subprocess.run(["identify", "-format", "%w %h", name], capture_output=True)
    if iw.returncode == 0 and raw.returncode == 0:
        W, H = map(int, iw.stdout.split()[:2])
        w, h = W, H
        data = raw.stdout
        mag = lambda x, y: "%d,%d,%d" % tuple(data[3 * (y * W + x):3 * (y * W + x) + 3][::-1])
    else:
        data = None
    for x, y in sorted({(0, 0), (w - 1, h - 1), (w // 2, h // 2)}):
        print("%s\t%d\t%d\t%s\t%s" % (name, x, y, pil(x, y) if im else "-",
                                        mag(x, y) if data else "-"))
PY
