#!/usr/bin/env bash
# Makes the image corpus in OUT (default: a folder "corpus" here): valid files written by ImageMagick,
# netpbm, libjpeg-turbo, libtiff, exiftool and Pillow, hand-made layouts (make-corpus.py) and damaged
# copies, with OUT/manifest naming each file's kind:
#   match    opens, with the pixels ImageMagick decodes (OUT/ref/NAME.pam, 8-bit RGBA)
#   opens    opens at one of the plain depths (float and signed types, tone-mapped or scaled)
#   refused  opens nothing (damaged, claims beyond the limits, colours FreeImage gets wrong)
#   anything may open or not, but never takes the program down
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/corpus}
py=/usr/bin/python3
im=$(command -v convert-im6.q16 || command -v convert)
rm -rf "$out"
mkdir -p "$out/ref"
manifest=$out/manifest
: >"$manifest"
cd "$out"

src=source.png
$py - <<'PY'
from PIL import Image
im = Image.new("RGB", (37, 23))
im.putdata([((x * 7) % 256, (y * 11) % 256, (x * y) % 256) for y in range(23) for x in range(37)])
im.save("source.png")
ima = im.copy(); ima.putalpha(Image.linear_gradient("L").resize((37, 23)))
ima.save("source-alpha.png")
PY

add() { echo "$1 $2" >>"$manifest"; }
# make NAME KIND COMMAND...: runs the command writing NAME.
make() { local name=$1 kind=$2; shift 2; "$@" >/dev/null 2>&1 && [ -s "$name" ] && add "$kind" "$name" || echo "skipped $name" >&2; }

# PNG: 8-bit, palette with transparency, grey and alpha, 16-bit grey, 48 and 64 bits.
make png-rgb.png match $im $src png-rgb.png
make png-palette-trns.png match $im source-alpha.png -colors 16 PNG8:png-palette-trns.png
make png-grey-alpha.png match $im source-alpha.png -colorspace gray png-grey-alpha.png
make png-grey-16.png match $im $src -colorspace gray -depth 16 png-grey-16.png
make png-rgb-48.png match $im $src -depth 16 PNG48:png-rgb-48.png
make png-rgba-64.png match $im source-alpha.png -depth 16 PNG64:png-rgba-64.png
make png-grey-1.png match $im $src -colorspace gray -threshold 50% -depth 1 png-grey-1.png
# TIFF: 16-bit grey, 48, 64, LZW, an ICC profile, float, signed and 32-bit integers.
make tif-grey-16.tif match $im $src -colorspace gray -depth 16 tif-grey-16.tif
make tif-rgb-48.tif match $im $src -depth 16 tif-rgb-48.tif
make tif-rgba-64.tif match $im source-alpha.png -depth 16 tif-rgba-64.tif
make tif-lzw.tif match $im $src -compress lzw tif-lzw.tif
make tif-float.tif opens $im $src -define quantum:format=floating-point -depth 32 tif-float.tif
make tif-float-grey.tif opens $im $src -colorspace gray -define quantum:format=floating-point -depth 32 tif-float-grey.tif
make tif-signed-16.tif opens $im $src -colorspace gray -define quantum:format=signed -depth 16 tif-signed-16.tif
make tif-grey-32.tif opens $im $src -colorspace gray -depth 32 tif-grey-32.tif
$py -c "
from PIL import Image, ImageCms
p = ImageCms.ImageCmsProfile(ImageCms.createProfile('sRGB')).tobytes()
im = Image.open('$src')
im.save('tif-icc.tif', icc_profile=p)
im.save('tif-icc-lzw.tif', icc_profile=p, compression='tiff_lzw')
im.save('jpg-icc.jpg', icc_profile=p, quality=95)
" && add match tif-icc.tif && add match tif-icc-lzw.tif && add match jpg-icc.jpg
# JPEG: baseline, progressive, grey, CMYK, EXIF.
$im $src source.ppm
make jpg-baseline.jpg match cjpeg -quality 90 -outfile jpg-baseline.jpg source.ppm
make jpg-progressive.jpg match cjpeg -progressive -outfile jpg-progressive.jpg source.ppm
make jpg-grey.jpg match cjpeg -grayscale -outfile jpg-grey.jpg source.ppm
make jpg-cmyk.jpg match $im $src -colorspace cmyk jpg-cmyk.jpg
cp jpg-baseline.jpg jpg-exif.jpg
make jpg-exif.jpg match exiftool -q -overwrite_original -Make=Lumivo -Model=Corpus -Artist=Tester \
  -DateTimeOriginal="2024:01:02 03:04:05" -GPSLatitude=48.5 -GPSLatitudeRef=N jpg-exif.jpg
# TGA, PCX, ICO, PNM by the tools.
make tga-24.tga match $im $src tga-24.tga
make tga-32-rle.tga match $im source-alpha.png -compress rle tga-32-rle.tga
make tga-map.tga match $im $src -colors 50 -type palette tga-map.tga
make pcx-24.pcx match $im $src pcx-24.pcx
make pcx-8.pcx match $im $src -colors 60 -type palette pcx-8.pcx
make pcx-1.pcx match $im $src -threshold 50% -type bilevel pcx-1.pcx
make ico-8.ico match $im $src -colors 100 -type palette -resize 16x16! ico-8.ico
make ico-32.ico match $im source-alpha.png -resize 32x32! ico-32.ico
make bmp-im-v5-32.bmp match $im source-alpha.png BMP:bmp-im-v5-32.bmp
make bmp-im-v3-24.bmp match $im $src BMP3:bmp-im-v3-24.bmp
# ImageMagick runs its RLE8 rows into the row padding, which FreeImage's reader refuses.
make bmp-im-rle8.bmp anything $im $src -colors 50 -compress rle BMP3:bmp-im-rle8.bmp
make pnm-p1.pbm match sh -c "ppmtopgm source.ppm | pgmtopbm | pnmtoplainpnm > pnm-p1.pbm"
make pnm-p4.pbm match sh -c "ppmtopgm source.ppm | pgmtopbm > pnm-p4.pbm"
make pnm-p2.pgm match sh -c "ppmtopgm source.ppm | pnmtoplainpnm > pnm-p2.pgm"
make pnm-p5.pgm match sh -c "ppmtopgm source.ppm > pnm-p5.pgm"
make pnm-p3.ppm match sh -c "pnmtoplainpnm source.ppm > pnm-p3.ppm"
make pnm-p6.ppm match cp source.ppm pnm-p6.ppm
make pnm-p5-16.pgm match sh -c "ppmtopgm source.ppm | pnmdepth 65535 > pnm-p5-16.pgm"
make pnm-p6-16.ppm match sh -c "pnmdepth 65535 source.ppm > pnm-p6-16.ppm"

# Hand-made layouts.
$py "$here/make-corpus.py" "$out" "$manifest"

# JPEGs on which libjpeg warns but returns the whole picture, and EXIF blocks cut short or lying.
$py - <<'PY'
import struct
base = open("jpg-exif.jpg", "rb").read()
plain = open("jpg-baseline.jpg", "rb").read()
manifest = open("manifest", "a")
def put(name, data, kind):
    open(name, "wb").write(data); manifest.write(f"{kind} {name}\n")
eoi = plain.rindex(b"\xff\xd9")
put("jpg-warn-extraneous.jpg", plain[:eoi] + b"\x00\x11\x22" + plain[eoi:], "match")
sos = plain.index(b"\xff\xda")
put("jpg-warn-bad-icc.jpg", plain[:sos] + b"\xff\xe2\x00\x10ICC_PROFILE\x00\x02\x01" + plain[sos:], "match")
put("jpg-truncated.jpg", plain[: len(plain) * 2 // 3], "refused")
i = base.index(b"\xff\xe1")
n = struct.unpack(">H", base[i + 2:i + 4])[0]
segment = base[i + 4:i + 2 + n]
def exif(name, block, kind="anything"):
    put(name, base[:i] + b"\xff\xe1" + struct.pack(">H", len(block) + 2) + block + base[i + 2 + n:], kind)
for cut in (12, 24, 48, len(segment) // 2):
    exif(f"jpg-exif-cut-{cut}.jpg", segment[:cut])
def tiff(entries):
    b = b"II*\x00" + struct.pack("<IH", 8, len(entries))
    for e in entries:
        b += struct.pack("<HHII", *e)
    return b"Exif\x00\x00" + b + b"\0" * 20
exif("jpg-exif-offset-past-end.jpg", tiff([(0x010F, 2, 100, 0x7FFFFF00)]))
exif("jpg-exif-count-huge.jpg", tiff([(0x010F, 2, 0x3FFFFFFF, 0x1A)]))
exif("jpg-exif-ifd-loop.jpg", tiff([(0x8769, 4, 1, 8)]))
put("jpg-cut-in-exif.jpg", base[: i + 40], "refused")
PY

# Damaged copies: cut short, or claiming more than the limits.
for f in png-rgb.png tif-lzw.tif tga-24.tga tga-32-rle.tga pcx-24.pcx bmp-topdown-24.bmp bmp-os2-24.bmp \
  pnm-p6.ppm pnm-p5-16.pgm ico-32.ico jpg-progressive.jpg bmp-im-rle8.bmp; do
  [ -s "$f" ] || continue
  size=$(stat -c %s "$f")
  head -c $((size * 3 / 5)) "$f" >"cut-$f"
  add refused "cut-$f"
done

# References: what ImageMagick decodes, as 8-bit RGBA.
while read -r kind name; do
  [ "$kind" = match ] || continue
  # ImageMagick leaves a TGA's bottom-up origin as an orientation note instead of turning its rows.
  orient=()
  case $name in *.tga) orient=(-auto-orient) ;; esac
  $im "$name[0]" "${orient[@]}" -alpha on -type TrueColorAlpha -depth 8 "pam:ref/$name.pam" 2>/dev/null ||
    { echo "no reference for $name" >&2; sed -i "s/^match $name\$/opens $name/" "$manifest"; }
done <"$manifest"
rm -f source.png source-alpha.png source.ppm
echo "$(wc -l <"$manifest") files in $out"
