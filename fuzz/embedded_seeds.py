#!/usr/bin/env python3
"""Writes the metafile target's seeds that carry pictures inside bitmap records: PNG and JPEG
payloads as their records name them, and payloads of other formats under those names, so that
the fuzzer starts from every way into the embedded-picture decoders.
    fuzz/embedded_seeds.py   (writes into fuzz/corpus/metafile)"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "metafile")
PICTURES = os.path.join(HERE, "corpus", "picture_loader")

BI_JPEG, BI_PNG = 4, 5


def png(width, height):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    rows = b"".join(b"\0" + bytes(v for x in range(width)
                                  for v in (x * 30 % 256, y * 30 % 256, 90, 255))
                    for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def ico(payload, side):
    side_byte = 0 if side >= 256 else side
    return (struct.pack("<HHH", 0, 1, 1) +
            struct.pack("<BBBBHHII", side_byte, side_byte, 0, 0, 1, 32, len(payload), 22) + payload)


def svg():
    return (b'<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" '
            b'width="8" height="8"><image xlink:href="missing.png" width="8" height="8"/>'
            b'<rect width="4" height="4" fill="red"/></svg>')


def picture(name):
    with open(os.path.join(PICTURES, name), "rb") as f:
        return f.read()


def bitmap_info(width, height, compression, size):
    # A 40-byte header with no bit count: the payload's own header gives the pixels.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 0, compression, size, 0, 0, 0, 0)


def emf_record(kind, body):
    return struct.pack("<II", kind, 8 + len(body)) + body


def emf(frame_px, records):
    # The frame in hundredths of a millimetre on a 96-dpi reference device.
    w, h = frame_px
    frame = (0, 0, round(w * 2540 / 96), round(h * 2540 / 96))
    body = b"".join(records)
    count = len(records) + 2
    # Bounds, frame, signature, version, bytes, records, handles, then no description or
    # palette, a 960 x 960 pixel device of 254 x 254 mm (96 dpi), no pixel format.
    header = struct.pack("<II4i4iII", 1, 100, 0, 0, w, h, *frame, 0x464D4520, 0x10000)
    header += struct.pack("<6I", 100 + len(body) + 20, count, 8, 0, 0, 0)
    header += struct.pack("<7I", 960, 960, 254, 254, 0, 0, 0)
    return header + body + emf_record(14, struct.pack("<III", 0, 0, 20))


def stretch_dibits(dest, compression, payload, size):
    x, y, w, h = dest
    info = bitmap_info(size[0], size[1], compression, len(payload))
    fixed = 8 + 72
    body = struct.pack("<4i", x, y, x + w, y + h)
    body += struct.pack("<iiiiii", x, y, 0, 0, size[0], size[1])
    body += struct.pack("<IIIII", fixed, len(info), fixed + len(info), len(payload), 0)
    body += struct.pack("<Iii", 0x00CC0020, w, h)
    return emf_record(81, body + info + payload)


def pattern_brush(index, compression, payload, size):
    info = bitmap_info(size[0], size[1], compression, len(payload))
    fixed = 8 + 24
    body = struct.pack("<IIIIII", index, 0, fixed, len(info), fixed + len(info), len(payload))
    return emf_record(94, body + info + payload)


def select(index):
    return emf_record(37, struct.pack("<I", index))


def rectangle(l, t, r, b):
    return emf_record(43, struct.pack("<4i", l, t, r, b))


def wmf_stretch_dib(dest, compression, payload, size):
    x, y, w, h = dest
    params = struct.pack("<IH", 0x00CC0020, 0)
    params += struct.pack("<8h", size[1], size[0], 0, 0, h, w, y, x)
    params += bitmap_info(size[0], size[1], compression, len(payload)) + payload
    if len(params) % 2:
        params += b"\0"
    return struct.pack("<IH", 3 + len(params) // 2, 0x0F43) + params


def wmf(bounds, records):
    body = b"".join(records)
    placeable = struct.pack("<IH4hHIH", 0x9AC6CDD7, 0, 0, 0, bounds[0], bounds[1], 1440, 0, 0)
    words = 9 + len(body) // 2 + 3
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, words, 8, 0, 0)
    return placeable + header + body + struct.pack("<IH", 3, 0)


def main():
    small = png(8, 8)
    sign = (0, 0, 52, 32)
    seeds = {
        "emb_png.emf": emf((52, 32), [stretch_dibits(sign, BI_PNG, small, (8, 8))]),
        "emb_jpeg.emf": emf((52, 32), [stretch_dibits(sign, BI_JPEG, picture("baseline.jpg"),
                                                      (8, 8))]),
        "emb_jpeg_progressive.emf": emf((52, 32), [stretch_dibits(
            sign, BI_JPEG, picture("progressive.jpg"), (8, 8))]),
        "emb_png_holds_gif.emf": emf((52, 32), [stretch_dibits(sign, BI_PNG, picture("still.gif"),
                                                               (8, 8))]),
        "emb_png_holds_svg.emf": emf((52, 32), [stretch_dibits(sign, BI_PNG, svg(), (8, 8))]),
        "emb_png_holds_ico.emf": emf((52, 32), [stretch_dibits(sign, BI_PNG, ico(small, 8),
                                                               (8, 8))]),
        "emb_jpeg_holds_bmp.emf": emf((52, 32), [stretch_dibits(
            sign, BI_JPEG, picture("bmp24.bmp"), (8, 8))]),
        "emb_pattern_png.emf": emf((52, 32), [pattern_brush(1, BI_PNG, small, (8, 8)), select(1),
                                              rectangle(0, 0, 51, 31)]),
        "emb_board.emf": emf((900, 300), [
            stretch_dibits((0, 0, 900, 300), BI_PNG, small, (8, 8)),
            pattern_brush(1, BI_JPEG, picture("grey.jpg"), (8, 8)), select(1),
            rectangle(100, 50, 800, 250)]),
        "emb_png.wmf": wmf((780, 480), [wmf_stretch_dib(sign, BI_PNG, small, (8, 8))]),
        "emb_jpeg.wmf": wmf((780, 480), [wmf_stretch_dib(sign, BI_JPEG, picture("cmyk.jpg"),
                                                          (8, 8))]),
    }
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
