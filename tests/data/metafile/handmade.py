#!/usr/bin/python3
"""Writes the hand-made metafiles of this folder (hm_*.wmf, hm_*.emf): text, bitmaps,
clipping, mapping modes, transforms and paths, record by record.  usage: handmade.py [OUTDIR]"""
import math, os, struct, sys

def w(*v): return struct.pack('<%dh' % len(v), *v)
def uw(*v): return struct.pack('<%dH' % len(v), *v)
def d(*v): return struct.pack('<%di' % len(v), *v)
def ud(*v): return struct.pack('<%dI' % len(v), *v)
def f(*v): return struct.pack('<%df' % len(v), *v)
def rgb(r, g, b): return r | (g << 8) | (b << 16)

def dib(width, height, bits, table, rows):
    """rows: top row first; each a list of indices (bits <= 8) or (r, g, b)."""
    head = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, 0, 0, 0, len(table), 0)
    head += b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in table)
    stride = (width * bits + 31) // 32 * 4
    data = b''
    for row in reversed(rows):
        line = bytearray(stride)
        for x, v in enumerate(row):
            if bits <= 8:
                bit = x * bits
                line[bit // 8] |= v << (8 - bits - bit % 8)
            else:
                r, g, b = v
                line[x * 3:x * 3 + 3] = bytes((b, g, r))
        data += bytes(line)
    return head, data

class Wmf:
    def __init__(self, bbox=None, inch=1440):
        self.bbox, self.inch, self.records, self.objects = bbox, inch, b'', 0
    def rec(self, fn, params=b''):
        if len(params) % 2: params += b'\0'
        self.records += struct.pack('<IH', 3 + len(params) // 2, fn) + params
        return self
    def obj(self, fn, params):
        self.objects += 1
        return self.rec(fn, params)
    def bytes(self):
        out = b''
        if self.bbox:
            l, t, r, b = self.bbox
            head = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, l, t, r, b, self.inch, 0)
            check = 0
            for i in range(0, 20, 2): check ^= struct.unpack('<H', head[i:i + 2])[0]
            out += head + struct.pack('<H', check)
        body = self.records + struct.pack('<IH', 3, 0)
        out += struct.pack('<HHHIHIH', 1, 9, 0x300, 9 + len(body) // 2, self.objects + 2,
                           max(9, 64), 0)
        return out + body

def wmf_pen(style, width, color): return w(style, width, 0) + ud(color)
def wmf_brush(style, color, hatch=0): return uw(style) + ud(color) + uw(hatch)
def wmf_font(height, face, weight=400, charset=128, escapement=0, italic=0, underline=0):
    name = face.encode('cp932')[:31].ljust(32, b'\0')
    return w(height, 0, escapement, escapement, weight) + bytes((italic, underline, 0, charset, 0, 0, 0, 0)) + name
def wmf_text(x, y, text, opts=0, rect=None, dx=None):
    s = text.encode('cp932')
    p = w(y, x, len(s), opts) + (w(*rect) if rect else b'') + s + (b'\0' if len(s) % 2 else b'')
    return p + (w(*dx) if dx else b'')

class Emf:
    def __init__(self, frame, bounds=None):
        self.frame, self.bounds, self.records, self.count, self.handles = frame, bounds, b'', 0, 1
    def rec(self, t, params=b''):
        self.records += ud(t, 8 + len(params)) + params
        self.count += 1
        return self
    def handle(self):
        self.handles += 1
        return self.handles - 1
    def bytes(self):
        l, t, r, b = self.frame
        bounds = self.bounds or (0, 0, int(r * 96 / 2540), int(b * 96 / 2540))
        # The header record with its first extension (pixel format, OpenGL) is 100 bytes;
        # readers refuse a file shorter than the byte count it declares.
        header_size = 100
        total = header_size + len(self.records) + 20
        head = d(*bounds) + d(l, t, r, b) + ud(0x464D4520, 0x10000, total, self.count + 2)
        head += uw(self.handles + 1, 0) + ud(0, 0, 0) + d(1920, 1080, 508, 286) + ud(0, 0, 0)
        assert 8 + len(head) == header_size
        return ud(1, header_size) + head + self.records + ud(14, 20, 0, 16, 20)

def emf_font(ih, height, face, weight=400, charset=128, escapement=0, italic=0):
    name = face.encode('utf-16-le')[:62].ljust(64, b'\0')
    return ud(ih) + d(height, 0, escapement, escapement, weight) + bytes((italic, 0, 0, charset, 0, 0, 0, 0)) + name
def emf_text(x, y, text, opts=0, rect=(0, 0, 0, 0), dx=None):
    s = text.encode('utf-16-le')
    n = len(s) // 2
    off = 8 + 16 + 12 + 40
    pad = b'\0\0' if n % 2 else b''
    offdx = off + len(s) + len(pad) if dx else 0
    p = d(0, 0, 0, 0) + ud(1) + f(1, 1) + d(x, y) + ud(n, off, opts) + d(*rect) + ud(offdx)
    return p + s + pad + (d(*dx) if dx else b'')
def emf_stretchdibits(x, y, cw, ch, head, data, rop=0xCC0020):
    width, height = struct.unpack('<ii', head[4:12])
    off = 8 + 72
    return (d(x, y, x + cw, y + ch) + d(x, y, 0, 0, width, abs(height)) +
            ud(off, len(head), off + len(head), len(data), 0, rop) + d(cw, ch) + head + data)

def mm100(px): return int(round(px * 2540 / 96))

def sign_wmf():
    m = Wmf((0, 0, 780, 480), 1440)
    m.rec(0x0103, w(8)).rec(0x020B, w(0, 0)).rec(0x020C, w(480, 780))
    m.obj(0x02FA, wmf_pen(5, 0, 0)).rec(0x012D, w(0))
    m.obj(0x02FC, wmf_brush(0, rgb(0, 0, 0))).rec(0x012D, w(1))
    m.rec(0x041B, w(480, 780, 0, 0))
    m.obj(0x02FB, wmf_font(-240, 'ＭＳ ゴシック', 700)).rec(0x012D, w(2))
    m.rec(0x0209, ud(rgb(255, 160, 0))).rec(0x0102, w(1)).rec(0x012E, w(6 | 24))
    m.rec(0x0A32, wmf_text(390, 300, '行先', dx=[240, 0, 240, 0]))
    m.obj(0x02FB, wmf_font(-120, 'ＭＳ Ｐゴシック')).rec(0x012D, w(3))
    m.rec(0x0209, ud(rgb(255, 255, 255))).rec(0x0A32, wmf_text(390, 440, '東京駅'))
    return m.bytes()

def sign_emf():
    m = Emf((0, 0, mm100(52), mm100(32)))
    m.rec(17, ud(8)).rec(9, d(52, 32)).rec(11, d(52, 32))
    pen, brush, font = m.handle(), m.handle(), m.handle()
    m.rec(38, ud(pen, 5, 0, 0, 0)).rec(37, ud(pen))
    m.rec(39, ud(brush, 0, rgb(0, 40, 120), 0)).rec(37, ud(brush)).rec(43, d(0, 0, 52, 32))
    m.rec(82, emf_font(font, -14, 'ＭＳ ゴシック', 700)).rec(37, ud(font))
    m.rec(24, ud(rgb(255, 255, 255))).rec(18, ud(1)).rec(22, ud(6 | 24))
    m.rec(84, emf_text(26, 15, '渋谷'))
    m.rec(82, emf_font(m.handle(), -8, 'MS PGothic')).rec(37, ud(m.handles - 1))
    m.rec(24, ud(rgb(255, 220, 0))).rec(84, emf_text(26, 27, 'Shibuya'))
    return m.bytes()

def bitmap_wmf():
    m = Wmf((0, 0, 64, 64), 96)
    table = [(255, 0, 0), (0, 0, 255), (255, 255, 0), (0, 128, 0)]
    rows = [[(x + y) % 4 for x in range(8)] for y in range(8)]
    head, data = dib(8, 8, 4, table, rows)
    m.rec(0x0F43, ud(0xCC0020) + w(0, 8, 8, 0, 0, 48, 48, 8, 8) + head + data)
    head, data = dib(2, 2, 1, [(0, 0, 0), (255, 255, 255)], [[0, 1], [1, 0]])
    m.rec(0x0B41, ud(0xCC0020) + w(2, 2, 0, 0, 16, 16, 0, 0) + head + data)
    return m.bytes()

def bitmap_emf():
    m = Emf((0, 0, mm100(64), mm100(64)))
    rows = [[(x * 16, y * 16, 128) for x in range(16)] for y in range(16)]
    head, data = dib(16, 16, 24, [], rows)
    m.rec(81, emf_stretchdibits(0, 0, 64, 32, head, data))
    table = [(i, 255 - i, 64) for i in range(256)]
    rows = [[(x * 32 + y) % 256 for x in range(8)] for y in range(8)]
    head, data = dib(8, 8, 8, table, rows)
    m.rec(81, emf_stretchdibits(0, 32, 32, 32, head, data))
    m.rec(81, emf_stretchdibits(32, 32, 32, 32, head, data, 0x660046))
    return m.bytes()

def clip_wmf():
    m = Wmf((0, 0, 100, 100), 96)
    m.obj(0x02FA, wmf_pen(0, 3, rgb(0, 0, 0))).rec(0x012D, w(0))
    m.obj(0x02FC, wmf_brush(0, rgb(0, 160, 255))).rec(0x012D, w(1))
    m.rec(0x001E)
    m.rec(0x0416, w(90, 90, 10, 10)).rec(0x0415, w(60, 60, 40, 40))
    m.rec(0x0418, w(100, 100, 0, 0))
    m.rec(0x0127, w(-1))
    m.obj(0x02FC, wmf_brush(2, rgb(200, 0, 0), 5)).rec(0x012D, w(2))
    m.rec(0x041B, w(55, 55, 45, 45))
    return m.bytes()

def rgndata(rects):
    l = min(r[0] for r in rects); t = min(r[1] for r in rects)
    r_ = max(r[2] for r in rects); b = max(r[3] for r in rects)
    return ud(32, 1, len(rects), 16 * len(rects)) + d(l, t, r_, b) + b''.join(d(*r) for r in rects)

def clip_emf():
    m = Emf((0, 0, mm100(100), mm100(100)), (0, 0, 99, 99))
    # Device pixels of this file's reference device: 1920 over 508 mm.
    k = 1920 / 508 * 25.4 / 96
    rg = rgndata([(0, 0, int(50 * k), int(100 * k)), (int(50 * k), int(50 * k), int(100 * k), int(100 * k))])
    pen, brush, b2 = m.handle(), m.handle(), m.handle()
    m.rec(38, ud(pen, 5, 0, 0, 0)).rec(37, ud(pen))
    m.rec(39, ud(brush, 0, rgb(0, 170, 0), 0)).rec(37, ud(brush))
    m.rec(33).rec(75, ud(len(rg), 5) + rg).rec(43, d(0, 0, 100, 100)).rec(34, d(-1))
    m.rec(59).rec(42, d(20, 20, 80, 80)).rec(60).rec(67, ud(1))
    m.rec(39, ud(b2, 2, rgb(255, 0, 255), 4)).rec(37, ud(b2)).rec(43, d(0, 0, 100, 100))
    return m.bytes()

def mapping_wmf():
    # A y-up window: logical (0, 0) at the bottom left.
    m = Wmf((0, 0, 1000, 500), 1000)
    m.rec(0x0103, w(8)).rec(0x020B, w(500, 0)).rec(0x020C, w(-500, 1000))
    m.obj(0x02FA, wmf_pen(0, 20, rgb(0, 0, 128))).rec(0x012D, w(0))
    m.obj(0x02FC, wmf_brush(0, rgb(255, 200, 0))).rec(0x012D, w(1))
    m.rec(0x041B, w(100, 400, 0, 0))
    m.rec(0x0324, w(3, 500, 50, 950, 50, 725, 450))
    m.rec(0x0214, w(0, 0)).rec(0x0213, w(500, 1000))
    return m.bytes()

def mapping_emf():
    m = Emf((0, 0, 5000, 3000))
    pen, brush = m.handle(), m.handle()
    m.rec(38, ud(pen, 0, 10, 0, rgb(0, 0, 0))).rec(37, ud(pen))
    m.rec(39, ud(brush, 0, rgb(0, 200, 200), 0)).rec(37, ud(brush))
    m.rec(17, ud(2))  # 0.1 mm, y up
    m.rec(43, d(50, -50, 250, -250))
    m.rec(17, ud(7)).rec(9, d(100, 100)).rec(11, d(189, 113)).rec(12, d(189, 0))
    m.rec(42, d(10, 10, 90, 90))
    return m.bytes()

def transform_emf():
    m = Emf((0, 0, mm100(100), mm100(100)))
    pen, brush, font = m.handle(), m.handle(), m.handle()
    m.rec(38, ud(pen, 0, 2, 0, rgb(120, 0, 0))).rec(37, ud(pen))
    m.rec(39, ud(brush, 0, rgb(255, 128, 128), 0)).rec(37, ud(brush))
    a = math.radians(30)
    m.rec(35, f(math.cos(a), math.sin(a), -math.sin(a), math.cos(a), 50, 20))
    m.rec(43, d(0, 0, 40, 20))
    m.rec(36, f(1, 0, 0, 1, 0, 30) + ud(2))
    m.rec(82, emf_font(font, -12, 'Arial', 400, 0)).rec(37, ud(font)).rec(18, ud(1))
    m.rec(84, emf_text(0, 0, 'Turn'))
    m.rec(36, f(1, 0, 0, 1, 0, 0) + ud(1)).rec(42, d(10, 60, 40, 90))
    return m.bytes()

def shapes_wmf():
    m = Wmf((0, 0, 200, 120), 96)
    m.obj(0x02FA, wmf_pen(1, 1, rgb(0, 0, 0))).rec(0x012D, w(0))
    m.obj(0x02FC, wmf_brush(2, rgb(0, 0, 200), 4)).rec(0x012D, w(1))
    m.rec(0x061C, w(20, 20, 50, 60, 10, 10))
    m.obj(0x02FA, wmf_pen(0, 4, rgb(200, 0, 0))).rec(0x012D, w(2))
    m.rec(0x0817, w(10, 70, 30, 130, 50, 130, 10, 70))
    m.obj(0x02FC, wmf_brush(0, rgb(0, 200, 0))).rec(0x012D, w(3))
    m.rec(0x0830, w(50, 200, 10, 140, 50, 200, 10, 140))
    m.rec(0x081A, w(60, 10, 100, 60, 110, 60, 60, 10))
    m.rec(0x0325, w(4, 80, 70, 120, 110, 160, 70, 190, 110))
    m.rec(0x0201, ud(rgb(255, 255, 0))).rec(0x0102, w(2))
    m.obj(0x02FC, wmf_brush(2, rgb(128, 0, 128), 3)).rec(0x012D, w(4))
    m.rec(0x041B, w(118, 60, 80, 10))
    return m.bytes()

def shapes_emf():
    m = Emf((0, 0, mm100(160), mm100(100)))
    pen, brush = m.handle(), m.handle()
    style = 0x10000 | 0x200 | 0x2000  # geometric, flat caps, mitre joins
    m.rec(95, ud(pen, 0, 0, 0, 0, style, 8, 0, rgb(0, 90, 160), 0, 0)).rec(37, ud(pen))
    m.rec(39, ud(brush, 0, rgb(250, 220, 120), 0)).rec(37, ud(brush))
    m.rec(91, d(0, 0, 0, 0) + ud(2, 8, 4, 4) + w(10, 10, 70, 10, 70, 70, 10, 70, 25, 25, 55, 25, 55, 55, 25, 55))
    m.rec(19, ud(2))
    m.rec(85, d(0, 0, 0, 0) + ud(4) + w(90, 80, 100, 10, 150, 10, 150, 80))
    m.rec(38, ud(m.handle(), 3, 0, 0, rgb(0, 0, 0))).rec(37, ud(m.handles - 1))
    m.rec(87, d(0, 0, 0, 0) + ud(3) + w(10, 90, 80, 95, 150, 90))
    return m.bytes()

def path_emf():
    m = Emf((0, 0, mm100(100), mm100(100)))
    pen, brush = m.handle(), m.handle()
    m.rec(38, ud(pen, 0, 3, 0, rgb(0, 0, 0))).rec(37, ud(pen))
    m.rec(39, ud(brush, 0, rgb(100, 180, 255), 0)).rec(37, ud(brush))
    m.rec(59).rec(27, d(10, 50)).rec(5, d(0, 0, 0, 0) + ud(3) + d(30, 0, 70, 100, 90, 50))
    m.rec(54, d(90, 90)).rec(54, d(10, 90)).rec(61).rec(60).rec(63, d(0, 0, 100, 100))
    return m.bytes()

def text_wmf():
    m = Wmf((0, 0, 240, 80), 96)
    m.obj(0x02FB, wmf_font(-20, 'Arial', 700, 0)).rec(0x012D, w(0))
    m.rec(0x0209, ud(rgb(0, 0, 160))).rec(0x0201, ud(rgb(255, 255, 180))).rec(0x0102, w(2))
    m.rec(0x0521, w(5) + b'Hello\0' + w(30, 10))
    m.obj(0x02FB, wmf_font(-16, 'ＭＳ Ｐゴシック', 400, 128, 0, 1, 1)).rec(0x012D, w(1))
    m.rec(0x0102, w(1)).rec(0x012E, w(2))
    m.rec(0x0A32, wmf_text(230, 45, '右寄せ', 4, (120, 40, 235, 70)))
    m.obj(0x02FB, wmf_font(-14, 'Arial', 400, 0, 900)).rec(0x012D, w(2)).rec(0x012E, w(0))
    m.rec(0x0A32, wmf_text(20, 78, 'up', 0))
    return m.bytes()

# Sign-sized pictures (52 x 32 pixels, one logical unit a pixel) whose every pixel is decided
# by the rules of the drawing layer: where a line stops, how far a borderless fill reaches,
# where an inside-frame pen sits, how hatches and dashes fall, what an XOR leaves on white.
SIGN_BOX = (0, 0, 52, 32)
SIGN_FRAME = (0, 0, mm100(52), mm100(32))
PATCOPY, PATINVERT, DSTINVERT, SRCCOPY, SRCINVERT = 0xF00021, 0x5A0049, 0x550009, 0xCC0020, 0x660046

def sign_wmf_lines():
    m = Wmf(SIGN_BOX, 96)
    m.obj(0x02FA, wmf_pen(0, 0, rgb(0, 0, 0))).rec(0x012D, w(0))
    m.rec(0x0325, w(5, 2, 2, 20, 2, 20, 14, 2, 28, 30, 21))
    m.rec(0x0214, w(4, 24)).rec(0x0213, w(4, 49))
    m.obj(0x02FA, wmf_pen(1, 0, rgb(0, 0, 160))).rec(0x012D, w(1)).rec(0x0102, w(1))
    m.rec(0x0214, w(10, 24)).rec(0x0213, w(10, 51)).rec(0x0214, w(14, 24)).rec(0x0213, w(30, 50))
    m.obj(0x02FA, wmf_pen(2, 0, rgb(160, 0, 0))).rec(0x012D, w(2))
    m.rec(0x0201, ud(rgb(255, 255, 0))).rec(0x0102, w(2))
    m.rec(0x0214, w(22, 32)).rec(0x0213, w(22, 51))
    return m.bytes()

def sign_emf_lines():
    m = Emf(SIGN_FRAME, (0, 0, 51, 31))
    solid, dash, dot = m.handle(), m.handle(), m.handle()
    m.rec(38, ud(solid, 0, 1, 0, rgb(0, 0, 0))).rec(37, ud(solid))
    m.rec(4, d(0, 0, 0, 0) + ud(5) + d(2, 2, 20, 2, 20, 14, 2, 28, 30, 21))
    m.rec(27, d(24, 4)).rec(54, d(49, 4))
    m.rec(38, ud(dash, 1, 1, 0, rgb(0, 0, 160))).rec(37, ud(dash)).rec(18, ud(1))
    m.rec(27, d(24, 10)).rec(54, d(51, 10)).rec(27, d(24, 14)).rec(54, d(50, 30))
    m.rec(38, ud(dot, 2, 1, 0, rgb(160, 0, 0))).rec(37, ud(dot))
    m.rec(25, ud(rgb(255, 255, 0))).rec(18, ud(2))
    m.rec(27, d(32, 22)).rec(54, d(51, 22))
    return m.bytes()

def sign_wmf_fills():
    m = Wmf(SIGN_BOX, 96)
    m.obj(0x02FA, wmf_pen(5, 0, 0)).rec(0x012D, w(0))
    m.obj(0x02FC, wmf_brush(0, rgb(200, 0, 0))).rec(0x012D, w(1))
    m.rec(0x041B, w(14, 14, 2, 2))
    m.obj(0x02FC, wmf_brush(0, rgb(0, 0, 200))).rec(0x012D, w(2))
    m.rec(0x0418, w(14, 30, 2, 16))
    m.obj(0x02FA, wmf_pen(6, 4, rgb(0, 140, 0))).rec(0x012D, w(3))
    m.obj(0x02FC, wmf_brush(1, 0)).rec(0x012D, w(4))
    m.rec(0x041B, w(16, 50, 2, 32))
    m.obj(0x02FA, wmf_pen(0, 0, rgb(0, 0, 0))).rec(0x012D, w(5))
    m.obj(0x02FC, wmf_brush(2, rgb(0, 0, 0), 5)).rec(0x012D, w(6))
    m.rec(0x0201, ud(rgb(255, 255, 0))).rec(0x041B, w(30, 26, 18, 2))
    m.obj(0x02FC, wmf_brush(2, rgb(128, 0, 128), 0)).rec(0x012D, w(7))
    m.rec(0x0102, w(1)).rec(0x041B, w(30, 50, 18, 28))
    return m.bytes()

def sign_emf_fills():
    m = Emf(SIGN_FRAME, (0, 0, 51, 31))
    null, red, blue = m.handle(), m.handle(), m.handle()
    m.rec(38, ud(null, 5, 0, 0, 0)).rec(37, ud(null))
    m.rec(39, ud(red, 0, rgb(200, 0, 0), 0)).rec(37, ud(red)).rec(43, d(2, 2, 14, 14))
    m.rec(39, ud(blue, 0, rgb(0, 0, 200), 0)).rec(37, ud(blue)).rec(42, d(16, 2, 30, 14))
    frame, hollow = m.handle(), m.handle()
    m.rec(38, ud(frame, 6, 4, 0, rgb(0, 140, 0))).rec(37, ud(frame))
    m.rec(39, ud(hollow, 1, 0, 0)).rec(37, ud(hollow)).rec(43, d(32, 2, 50, 16))
    pen, cross, lines = m.handle(), m.handle(), m.handle()
    m.rec(38, ud(pen, 0, 1, 0, rgb(0, 0, 0))).rec(37, ud(pen))
    m.rec(39, ud(cross, 2, rgb(0, 0, 0), 5)).rec(37, ud(cross))
    m.rec(25, ud(rgb(255, 255, 0))).rec(43, d(2, 18, 26, 30))
    m.rec(39, ud(lines, 2, rgb(128, 0, 128), 0)).rec(37, ud(lines))
    m.rec(18, ud(1)).rec(43, d(28, 18, 50, 30))
    return m.bytes()

def sign_dib():
    table = [(0, 0, 0), (255, 255, 255), (255, 0, 0), (0, 0, 255)]
    return dib(16, 12, 4, table, [[(x // 4 + y // 3) % 4 for x in range(16)] for y in range(12)])

def sign_wmf_rop():
    m = Wmf(SIGN_BOX, 96)
    m.obj(0x02FC, wmf_brush(0, rgb(0, 0, 200))).rec(0x012D, w(0))
    m.rec(0x061D, ud(PATCOPY) + w(12, 20, 2, 2))
    m.obj(0x02FC, wmf_brush(0, rgb(255, 0, 0))).rec(0x012D, w(1))
    m.rec(0x061D, ud(PATINVERT) + w(12, 14, 8, 8))
    m.rec(0x061D, ud(DSTINVERT) + w(4, 48, 24, 2))
    head, data = sign_dib()
    m.rec(0x0940, ud(SRCCOPY) + w(0, 0, 12, 16, 2, 26) + head + data)
    m.rec(0x0940, ud(SRCINVERT) + w(0, 0, 12, 16, 8, 34) + head + data)
    return m.bytes()

def emf_blt(x, y, cx, cy, rop, head=b'', data=b''):
    off = 8 + 92 if head else 0
    return (d(x, y, x + cx - 1, y + cy - 1) + d(x, y, cx, cy) + ud(rop) + d(0, 0) +
            f(1, 0, 0, 1, 0, 0) + ud(0xFFFFFF, 0) +
            ud(off, len(head), off + len(head) if head else 0, len(data)) + head + data)

def sign_emf_rop():
    m = Emf(SIGN_FRAME, (0, 0, 51, 31))
    blue, red = m.handle(), m.handle()
    m.rec(39, ud(blue, 0, rgb(0, 0, 200), 0)).rec(37, ud(blue))
    m.rec(76, emf_blt(2, 2, 20, 12, PATCOPY))
    m.rec(39, ud(red, 0, rgb(255, 0, 0), 0)).rec(37, ud(red))
    m.rec(76, emf_blt(8, 8, 14, 12, PATINVERT)).rec(76, emf_blt(2, 24, 48, 4, DSTINVERT))
    head, data = sign_dib()
    m.rec(76, emf_blt(26, 2, 16, 12, SRCCOPY, head, data))
    m.rec(76, emf_blt(34, 8, 16, 12, SRCINVERT, head, data))
    return m.bytes()

STAR = [(8, 1), (13, 15), (1, 6), (15, 6), (3, 15)]

def sign_wmf_shapes():
    m = Wmf(SIGN_BOX, 96)
    m.obj(0x02FA, wmf_pen(0, 0, rgb(0, 0, 0))).rec(0x012D, w(0))
    m.obj(0x02FC, wmf_brush(0, rgb(255, 140, 0))).rec(0x012D, w(1))
    for mode, dx in ((1, 0), (2, 16)):
        m.rec(0x0106, w(mode)).rec(0x0324, w(5, *[v for x, y in STAR for v in (x + dx, y)]))
    m.obj(0x02FC, wmf_brush(0, rgb(120, 220, 120))).rec(0x012D, w(2))
    m.rec(0x081A, w(1, 42, 9, 50, 17, 50, 1, 34))
    m.rec(0x0830, w(24, 24, 24, 2, 31, 24, 18, 2))
    m.rec(0x061C, w(8, 8, 31, 50, 20, 28))
    return m.bytes()

def sign_emf_shapes():
    m = Emf(SIGN_FRAME, (0, 0, 51, 31))
    pen, orange, green = m.handle(), m.handle(), m.handle()
    m.rec(38, ud(pen, 0, 1, 0, rgb(0, 0, 0))).rec(37, ud(pen))
    m.rec(39, ud(orange, 0, rgb(255, 140, 0), 0)).rec(37, ud(orange))
    for mode, dx in ((1, 0), (2, 16)):
        points = [v for x, y in STAR for v in (x + dx, y)]
        m.rec(19, ud(mode)).rec(86, d(0, 0, 0, 0) + ud(5) + w(*points))
    m.rec(39, ud(green, 0, rgb(120, 220, 120), 0)).rec(37, ud(green))
    m.rec(47, d(34, 1, 50, 17, 50, 9, 42, 1))
    m.rec(46, d(2, 18, 24, 31, 2, 24, 24, 24))
    m.rec(44, d(28, 20, 50, 31, 8, 8))
    return m.bytes()

# Text and pens as charts and equations draw them: turned labels in a mapping that turns y up,
# fonts found by family when their face is missing, heavy and vertical text, the smoothing a
# font's quality asks, and wide dashed geometric pens.
def emf_logfont(ih, height, face, weight=400, charset=0, esc=0, orient=None, quality=0,
                pitch=0):
    name = face.encode('utf-16-le')[:62].ljust(64, b'\0')
    orient = esc if orient is None else orient
    return (ud(ih) + d(height, 0, esc, orient, weight) +
            bytes((0, 0, 0, charset, 0, 0, quality, pitch)) + name)
def emf_wide_text(x, y, text, mode=1):
    s = text.encode('utf-16-le')
    pad = b'\0\0' if len(s) // 2 % 2 else b''
    return (d(0, 0, 0, 0) + ud(mode) + f(1, 1) + d(x, y) + ud(len(s) // 2, 76, 0) +
            d(0, 0, 0, 0) + ud(0) + s + pad)
def emf_texts(m, rows, mode=1):
    """rows: (x, y, text, logfont arguments after the handle)."""
    m.rec(22, ud(24)).rec(18, ud(1))
    for x, y, text, font in rows:
        h = m.handle()
        m.rec(82, emf_logfont(h, *font)).rec(37, ud(h)).rec(84, emf_wide_text(x, y, text, mode))

def axis_emf():
    # A chart's frame: 20 logical units a pixel, y up from the bottom.
    m = Emf((0, 0, mm100(240), mm100(240)))
    m.rec(17, ud(8)).rec(10, d(0, 4800)).rec(9, d(4800, -4800)).rec(11, d(240, 240))
    emf_texts(m, [(400, 3600, 'Axis label', (-199, 'Arial', 400, 0, 2700)),
                  (2400, 3600, 'Up label', (-199, 'Arial', 400, 0, 900)),
                  (2400, 2400, 'Plain 9.95', (-199, 'Arial')),
                  (2400, 1800, 'Plain 10.5', (-210, 'Arial'))])
    return m.bytes()

def axis_wmf():
    # x grows leftwards: the escapement turns the other way, the glyphs stay upright.
    m = Wmf((0, 0, 240, 240), 96)
    m.rec(0x0103, w(8)).rec(0x020B, w(0, 240)).rec(0x020C, w(240, -240))
    m.rec(0x012E, w(24)).rec(0x0102, w(1))
    for i, (x, y, text, esc) in enumerate(((200, 60, 'Down 2700', 2700), (140, 120, 'Plain', 0),
                                           (60, 200, 'Up 900', 900))):
        m.obj(0x02FB, wmf_font(-14, 'Arial', 400, 0, esc)).rec(0x012D, w(i))
        m.rec(0x0A32, wmf_text(x, y, text))
    return m.bytes()

def fonts_emf():
    rows = [('Verdana', 0x12, 400, -16), ('Verdana', 0x31, 400, -16), ('', 0x22, 400, -16),
            ('', 0x12, 400, -16), ('Arial', 0x00, 0, -16), ('Arial', 0x12, 400, 18),
            ('Arial', 0x22, 550, -16), ('Arial', 0x22, 600, -16), ('Courier New', 0, 400, -16)]
    m = Emf((0, 0, mm100(300), mm100(180)))
    emf_texts(m, [(10, 18 + i * 18, '%s %02x %d: 0123456789' % (face or 'none', pf, wt),
                   (ht, face, wt, 0, 0, None, 0, pf))
                  for i, (face, pf, wt, ht) in enumerate(rows)])
    return m.bytes()

def bold_emf():
    m = Emf((0, 0, mm100(420), mm100(150)))
    emf_texts(m, [(4, 40, 'Bold Hamburg 2048', (-32, 'Arial', 700)),
                  (4, 96, 'Bold Hamburg', (-48, 'Arial', 700)),
                  (4, 140, '東京駅 行先 Bold', (-32, 'MS Gothic', 700, 128))])
    return m.bytes()

def orientation_emf():
    m = Emf((0, 0, mm100(240), mm100(240)))
    m.rec(67, ud(2))
    emf_texts(m, [(60, 60, 'Esc0 Or900', (-16, 'Arial', 400, 0, 0, 900)),
                  (170, 60, 'Esc900 Or0', (-16, 'Arial', 400, 0, 900, 0)),
                  (60, 170, 'Esc2700 Or2700', (-16, 'Arial', 400, 0, 2700, 2700)),
                  (170, 170, 'Esc0 Or2700', (-16, 'Arial', 400, 0, 0, 2700))], 2)
    return m.bytes()

def vertical_emf():
    m = Emf((0, 0, mm100(240), mm100(240)))
    emf_texts(m, [(120, 20, '縦書き「テスト」、ab1ー。', (-20, '@MS Gothic', 400, 128, 2700)),
                  (10, 220, '横に寝る文字', (-20, '@MS Gothic', 400, 128, 0))])
    return m.bytes()

def quality_emf():
    m = Emf((0, 0, mm100(300), mm100(150)))
    emf_texts(m, [(8, 20 + i * 22, 'Quality %d at %d: Hamburg' % (q, size),
                   (-size, 'Arial', 400, 0, 0, None, q))
                  for i, (q, size) in enumerate(((0, 12), (3, 24), (4, 12), (0, 24), (5, 13),
                                                  (1, 20)))])
    return m.bytes()

def dashes_emf():
    m = Emf((0, 0, mm100(300), mm100(240)))
    ps_geometric, dash, dashdot, dashdotdot, square, flat = 0x10000, 1, 3, 4, 0x100, 0x200
    rows = [(dash, 8), (dash | square, 8), (dash | flat, 8), (dash, 1), (dash, 2),
            (dash, 3), (dashdotdot | flat, 6), (dashdot, 4)]
    for i, (style, width) in enumerate(rows):
        h = m.handle()
        m.rec(95, ud(h, 0, 0, 0, 0) + ud(ps_geometric | style, width, 0, rgb(0, 0, 160), 0, 0))
        m.rec(37, ud(h)).rec(27, d(10, 15 + i * 22)).rec(54, d(290, 15 + i * 22))
    m.rec(42, d(20, 185, 280, 230))
    return m.bytes()

FILES = {
    'hm_sign_text.wmf': sign_wmf, 'hm_sign_text.emf': sign_emf,
    'hm_bitmap.wmf': bitmap_wmf, 'hm_bitmap.emf': bitmap_emf,
    'hm_clip.wmf': clip_wmf, 'hm_clip.emf': clip_emf,
    'hm_mapping.wmf': mapping_wmf, 'hm_mapping.emf': mapping_emf,
    'hm_transform.emf': transform_emf, 'hm_shapes.wmf': shapes_wmf,
    'hm_shapes.emf': shapes_emf, 'hm_path.emf': path_emf, 'hm_text.wmf': text_wmf,
    'hm_sign_lines.wmf': sign_wmf_lines, 'hm_sign_lines.emf': sign_emf_lines,
    'hm_sign_fills.wmf': sign_wmf_fills, 'hm_sign_fills.emf': sign_emf_fills,
    'hm_sign_rop.wmf': sign_wmf_rop, 'hm_sign_rop.emf': sign_emf_rop,
    'hm_sign_shapes.wmf': sign_wmf_shapes, 'hm_sign_shapes.emf': sign_emf_shapes,
    'hm_axis.emf': axis_emf, 'hm_axis.wmf': axis_wmf, 'hm_fonts.emf': fonts_emf,
    'hm_bold.emf': bold_emf, 'hm_orientation.emf': orientation_emf,
    'hm_vertical.emf': vertical_emf, 'hm_quality.emf': quality_emf, 'hm_dashes.emf': dashes_emf,
}

if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, make in FILES.items():
        with open(os.path.join(out, name), 'wb') as fh:
            fh.write(make())
