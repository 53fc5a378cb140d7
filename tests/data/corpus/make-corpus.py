"""Hand-made files of the image corpus: layouts the tools on the machine do not write (top-down,
OS/2 and V4/V5 BMPs, bit fields, TGA colour maps, icons with V5 headers, PNM headers read the
reader's way, JPEG warnings and EXIF blocks). Called by make-corpus with the output folder and the
manifest to append to; the pictures are 37 x 23 so that every row needs padding."""
import io
import os
import struct
import sys

from PIL import Image

OUT, MANIFEST = sys.argv[1], sys.argv[2]
W, H = 37, 23
manifest = open(MANIFEST, "a")


def pixel(x, y):
    return ((x * 7) % 256, (y * 11) % 256, (x * y) % 256)


def put(name, data, kind):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
    manifest.write(f"{kind} {name}\n")


def palette_picture(colours):
    """Index of each pixel into a palette of `colours` entries, and the palette (r, g, b)."""
    pal = [((i * 53) % 256, (i * 97) % 256, (i * 31) % 256) for i in range(colours)]
    return (lambda x, y: (x + 3 * y) % colours), pal


def pack_rows(bpp, value_of, width=W, height=H, top_down=False):
    rows = []
    for y in range(height):
        bits = 0
        nbits = 0
        row = bytearray()
        for x in range(width):
            v = value_of(x, y)
            if bpp < 8:
                bits = (bits << bpp) | v
                nbits += bpp
                if nbits == 8:
                    row.append(bits)
                    bits = nbits = 0
            elif bpp == 8:
                row.append(v)
            else:
                row += v
        if nbits:
            row.append(bits << (8 - nbits))
        row += b"\0" * ((-len(row)) % 4)
        rows.append(bytes(row))
    # rows[0] is the top of the picture; BMPs store the bottom first unless top-down
    return b"".join(rows if top_down else rows[::-1])


def bmp(bpp, header_size=40, top_down=False, masks=None, table_entries=None, core=False, compression=None):
    if bpp <= 8:
        index, pal = palette_picture(table_entries or (1 << bpp))
        data = pack_rows(bpp, index, top_down=top_down)
        table = b"".join(bytes((b, g, r)) + (b"" if core else b"\0") for r, g, b in pal)
    else:
        table = b""
        if bpp == 24:
            value = lambda x, y: bytes(pixel(x, y)[::-1])
        else:
            red, green, blue = masks
            def value(x, y):
                v = 0
                for channel, mask in zip(pixel(x, y), (red, green, blue)):
                    shift = (mask & -mask).bit_length() - 1
                    top = mask >> shift
                    v |= (channel * top // 255) << shift
                return v.to_bytes(bpp // 8, "little")
        data = pack_rows(bpp, value, top_down=top_down)
    if core:
        info = struct.pack("<IHHHH", 12, W, H, 1, bpp)
    else:
        comp = compression if compression is not None else (3 if masks and bpp in (16, 32) else 0)
        info = struct.pack("<IiiHHIIiiII", header_size, W, -H if top_down else H, 1, bpp, comp, len(data), 2835,
                           2835, table_entries or 0, 0)
        extra = b""
        if comp == 3:
            extra = struct.pack("<III", *masks)
        if header_size == 40:
            info += extra
        else:
            fields = extra.ljust(12, b"\0") + struct.pack("<I", 0)  # alpha mask
            fields += b"BGRs" if header_size >= 108 else b""
            info += fields.ljust(header_size - 40, b"\0")
    offset = 14 + len(info) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + table + data


# Top-down BMPs of every depth, bottom-up ones with V4 and V5 headers, OS/2 ones with short tables.
for bpp in (1, 4, 8, 24):
    put(f"bmp-topdown-{bpp}.bmp", bmp(bpp, top_down=True), "match")
put("bmp-topdown-16-555.bmp", bmp(16, top_down=True, masks=(0x7C00, 0x3E0, 0x1F), compression=0), "match")
put("bmp-topdown-16-565.bmp", bmp(16, top_down=True, masks=(0xF800, 0x7E0, 0x1F)), "match")
put("bmp-topdown-32.bmp", bmp(32, top_down=True, masks=(0xFF0000, 0xFF00, 0xFF), compression=0), "match")
for size in (108, 124):
    put(f"bmp-v{4 if size == 108 else 5}-24.bmp", bmp(24, header_size=size), "match")
    put(f"bmp-v{4 if size == 108 else 5}-8.bmp", bmp(8, header_size=size), "match")
    put(f"bmp-v{4 if size == 108 else 5}-32-fields.bmp", bmp(32, header_size=size, masks=(0xFF0000, 0xFF00, 0xFF)),
        "match")
for bpp, entries in ((1, 2), (4, 9), (8, 20)):
    put(f"bmp-os2-{bpp}-{entries}-colours.bmp", bmp(bpp, core=True, table_entries=entries), "match")
put("bmp-os2-24.bmp", bmp(24, core=True), "match")
# Bit fields FreeImage places wrongly on its own.
put("bmp-fields-32-10-10-10.bmp", bmp(32, masks=(0x3FF00000, 0xFFC00, 0x3FF)), "match")
put("bmp-fields-32-rgb-order.bmp", bmp(32, masks=(0xFF, 0xFF00, 0xFF0000)), "match")
put("bmp-fields-16-444.bmp", bmp(16, masks=(0xF00, 0xF0, 0xF)), "match")
put("bmp-fields-16-2-3-1.bmp", bmp(16, masks=(0x30, 0xE, 0x1)), "match")
put("bmp-fields-16-444-topdown-v5.bmp", bmp(16, header_size=124, top_down=True, masks=(0xF00, 0xF0, 0xF)), "match")


def tga(image_type, depth, data, cmap=b"", cmap_first=0, cmap_length=0, cmap_bits=0, descriptor=0x20):
    header = struct.pack("<BBBHHBHHHHBB", 0, 1 if cmap else 0, image_type, cmap_first, cmap_length, cmap_bits, 0, 0,
                         W, H, depth, descriptor)
    return header + cmap + data


index, pal = palette_picture(40)
indices = bytes(index(x, y) for y in range(H) for x in range(W))
put("tga-map-24.tga", tga(1, 8, indices, b"".join(bytes((b, g, r)) for r, g, b in pal), 0, 40, 24), "match")
def rgb555(r, g, b):
    return struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3))
put("tga-map-16.tga", tga(1, 8, indices, b"".join(rgb555(*c) for c in pal), 0, 40, 16), "match")
put("tga-map-15.tga", tga(1, 8, indices, b"".join(rgb555(*c) for c in pal), 0, 40, 15), "match")
# Entries numbered from 5: index 5 is the first colour stored.
shifted = bytes(i + 5 for i in indices)
put("tga-map-origin-5.tga", tga(1, 8, shifted, b"".join(bytes((b, g, r)) for r, g, b in pal), 5, 40, 24), "match")
put("tga-map-origin-5-rle.tga", tga(9, 8, bytes(b for i in shifted for b in (0, i)),
                                    b"".join(rgb555(*c) for c in pal), 5, 40, 15), "match")


def icon(entries):
    """An icon file of (width, height, bpp, image bytes) entries."""
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    body = b""
    for w, h, bpp, data in entries:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, bpp, len(data), offset + len(body))
        body += data
    return out + body


def icon_bitmap(bpp, header_size=40, size=16):
    rgb = lambda x, y: bytes(pixel(x * 2, y * 2)[::-1]) + (b"\xff" if bpp == 32 else b"")
    rows = pack_rows(bpp, rgb, size, size)
    mask = pack_rows(1, lambda x, y: 0, size, size)
    info = struct.pack("<IiiHHIIiiII", header_size, size, 2 * size, 1, bpp, 0, 0, 0, 0, 0, 0)
    return info.ljust(header_size, b"\0") + rows + mask


put("ico-v5-header-32.ico", icon([(16, 16, 32, icon_bitmap(32, 124))]), "match")
png = io.BytesIO()
Image.new("RGBA", (48, 48), (30, 160, 90, 200)).save(png, "PNG")
put("ico-png-entry.ico", icon([(48, 48, 32, png.getvalue())]), "match")

# PNM headers as FreeImage's reader takes them: a '#' right after a number is not a comment.
put("pnm-hash-after-number.pbm", b"P4\n8#500000000\n1\n\xff", "refused")
put("pnm-hash-after-number-2g.pbm", b"P4\n8#2000000000\n1\n\xff", "refused")
put("pnm-long-digits.pgm", b"P5\n99999999999999999999 2\n255\n" + b"\0" * 64, "refused")
put("pnm-comment-lines.pgm", b"P5\n# made by hand\n4 # width\n2\n255\n" + bytes(range(8)), "match")
