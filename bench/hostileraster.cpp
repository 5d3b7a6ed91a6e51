// Raster pictures for the hostile-picture benchmark: JPEG, GIF and BMP written byte by byte.
#include "hostilefiles.h"
#include "support/metafilebuilder.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QRect>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace hostile {

using mfbytes::put16;
using mfbytes::put32;

// ---- JPEG -----------------------------------------------------------------------------------

void jpegSegment(QByteArray &out, uint8_t code, const QByteArray &body)
{
    out.append(char(0xFF)).append(char(code));
    const int length = int(body.size()) + 2;
    out.append(char(length >> 8)).append(char(length & 0xFF));
    out.append(body);
}

// A hand-written progressive JPEG: one quantisation table, Huffman tables whose one 1-bit code
// means "nothing here", then the scans; each scan's data is a few zero bytes, which the decoder
// takes as empty blocks and then pads, so every scan is a full pass over the picture.
QByteArray progressiveJpeg(int width, int height, int components, int scans, int bytesPerScan,
                           int padTo)
{
    QByteArray out("\xFF\xD8", 2);
    jpegSegment(out, 0xDB, QByteArray(1, '\0') + QByteArray(64, '\1'));
    QByteArray frame;
    frame.append(char(8)).append(char(height >> 8)).append(char(height & 0xFF));
    frame.append(char(width >> 8)).append(char(width & 0xFF)).append(char(components));
    for (int c = 1; c <= components; ++c)
        frame.append(char(c)).append(char(0x11)).append(char(0));
    jpegSegment(out, 0xC2, frame);
    for (const char tableClass : {char(0x00), char(0x10)}) {
        QByteArray table(1, tableClass);
        table.append(char(1)).append(QByteArray(15, '\0')).append(char(0));
        jpegSegment(out, 0xC4, table);
    }
    const auto scan = [&](int component, int ss, int se, int ahal) {
        QByteArray header;
        if (component == 0) {
            header.append(char(components));
            for (int c = 1; c <= components; ++c)
                header.append(char(c)).append(char(0));
        } else {
            header.append(char(1)).append(char(component)).append(char(0));
        }
        header.append(char(ss)).append(char(se)).append(char(ahal));
        jpegSegment(out, 0xDA, header);
        out.append(QByteArray(bytesPerScan, '\0'));
    };
    // The first DC and AC scans at one bit less, then refinements of the last bit over and over.
    scan(0, 0, 0, 0x01);
    int made = 1;
    for (int c = 1; c <= components && made < scans; ++c, ++made)
        scan(c, 1, 63, 0x01);
    for (int i = 0; made < scans; ++i, ++made) {
        if (i % 2 == 0)
            scan(0, 0, 0, 0x10);
        else
            scan(1 + (i / 2) % components, 1, 63, 0x10);
    }
    if (out.size() + 2 < padTo)
        out.append(QByteArray(padTo - 2 - out.size(), '\0'));
    return out.append("\xFF\xD9", 2);
}

QImage photo(int width, int height)
{
    // Fine detail everywhere, so that the file is as large and slow to decode as a real photo.
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 255 / width) ^ (y & 31), (y * 255 / height) ^ (x & 63),
                           ((x * 7) ^ (y * 13)) & 255);
    }
    return image;
}

QByteArray markerPadded(const QByteArray &jpeg, char marker, qint64 bytes)
{
    // Segments of the largest length a marker can give, after the start of the picture.
    const QByteArray full = QByteArray("\xFF") + marker + "\xFF\xFF" + QByteArray(65533, 'm');
    return jpeg.left(2) + full.repeated(bytes / full.size()) + jpeg.mid(2);
}

QByteArray written(const QImage &image, const char *format, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    // A photo's usual JPEG quality; PNG keeps its default, the smallest file.
    if (qstrcmp(format, "JPEG") == 0)
        writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write %s: %s\n", format, qPrintable(writer.errorString()));
        std::exit(1);
    }
    return bytes;
}

// ---- GIF ------------------------------------------------------------------------------------

// Variable-width LZW codes, least significant bit first, in sub-blocks of at most 255 bytes.
class GifCodes
{
public:
    void put(int code, int bits)
    {
        m_acc |= uint32_t(code) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            m_bytes.append(char(m_acc & 0xFF));
            m_acc >>= 8;
            m_count -= 8;
        }
    }
    QByteArray blocks()
    {
        if (m_count > 0)
            m_bytes.append(char(m_acc & 0xFF));
        QByteArray out;
        for (qsizetype at = 0; at < m_bytes.size(); at += 255) {
            const QByteArray block = m_bytes.mid(at, 255);
            out.append(char(block.size())).append(block);
        }
        return out.append('\0');
    }

private:
    QByteArray m_bytes;
    uint32_t m_acc = 0;
    int m_count = 0;
};

// pixels of one colour, LZW-compressed as tightly as the format allows; or, when truncate is
// set, only a clear code and one pixel, so that the rest is left to the decoder.
QByteArray gif(int width, int height, bool truncate)
{
    QByteArray out("GIF89a");
    put16(out, uint16_t(width));
    put16(out, uint16_t(height));
    out.append(char(0xF7)).append('\0').append('\0');
    for (int i = 0; i < 256; ++i)
        out.append(char(i)).append(char(255 - i)).append(char(i / 2));
    out.append(char(0x2C));
    put16(out, 0);
    put16(out, 0);
    put16(out, uint16_t(width));
    put16(out, uint16_t(height));
    out.append('\0').append(char(8));

    constexpr int kClear = 256, kEnd = 257;
    GifCodes codes;
    int bits = 9;
    codes.put(kClear, bits);
    if (truncate) {
        codes.put(1, bits);
        return out.append(codes.blocks()).append(char(0x3B));
    }
    // All pixels are colour 1: the string of n pixels is a code of its own once made, so the
    // dictionary is a run length; the decoder's table lags the encoder's by one code.
    int64_t left = int64_t(width) * height;
    int next = kEnd + 1;
    int longest = 1;
    while (left > 0) {
        const int run = int(std::min<int64_t>(longest, left));
        codes.put(run == 1 ? 1 : kEnd + run - 1, bits);
        left -= run;
        if (next == 4096) {
            codes.put(kClear, bits);
            bits = 9;
            next = kEnd + 1;
            longest = 1;
            continue;
        }
        if (run == longest) {
            ++next;
            ++longest;
        } else {
            ++next; // an entry the run never uses
        }
        if (next > (1 << bits) && bits < 12)
            ++bits;
    }
    codes.put(kEnd, bits);
    return out.append(codes.blocks()).append(char(0x3B));
}

QByteArray gifPadded(GifPadding padding, qint64 amount)
{
    const QByteArray plain = gif(52, 32, false);
    constexpr qsizetype kScreen = 6 + 7 + 768; // signature, screen, colour table
    const QByteArray image = plain.mid(kScreen).chopped(1);
    switch (padding) {
    case GifPadding::Comments: {
        QByteArray comment("\x21\xFE");
        comment += (char(255) + QByteArray(255, 'c')).repeated(amount / 256) + '\0';
        return plain.left(kScreen) + comment + plain.mid(kScreen);
    }
    case GifPadding::Frames:
        return plain.chopped(1) + image.repeated(amount) + char(0x3B);
    case GifPadding::ClearCodes: {
        // Clear codes, each 9 bits, before the codes of the pixels: nothing comes of them.
        GifCodes codes;
        for (qint64 i = 0; i < amount * 8 / 9; ++i)
            codes.put(256, 9);
        for (int i = 0; i < 52 * 32; ++i)
            codes.put(1, 9);
        codes.put(257, 9);
        return plain.left(kScreen + 11) + codes.blocks() + char(0x3B); // past the code size
    }
    }
    return plain;
}

// ---- BMP ------------------------------------------------------------------------------------

QByteArray largeBmp(int width, int height)
{
    // A 24-bit picture bottom-up: a grey ramp down its rows.
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    QByteArray out("BM");
    put32(out, uint32_t(54 + int64_t(rowBytes) * height));
    put32(out, 0);
    put32(out, 54);
    out.append(mfbytes::dwords({40, width, height}));
    out.append(mfbytes::words({1, 24}));
    out.append(mfbytes::dwords({0, 0, 2835, 2835, 0, 0}));
    out.reserve(out.size() + qsizetype(rowBytes) * height);
    for (int row = 0; row < height; ++row)
        out.append(QByteArray(rowBytes, char(row % 256)));
    return out;
}

// An 8-bit run-length BMP that fills one row in every 255 and jumps over the rest.
QByteArray rle8Bmp(int width, int height)
{
    QByteArray data;
    for (int row = 0; row < height; row += 255) {
        for (int x = 0; x < width; x += 255)
            data.append(char(std::min(255, width - x))).append(char(row / 255 % 256));
        data.append('\0').append('\0');
        const int jump = std::min(254, height - row - 1);
        if (jump > 0)
            data.append('\0').append(char(2)).append('\0').append(char(jump));
    }
    data.append('\0').append(char(1));
    const int offset = 14 + 40 + 1024;
    QByteArray out("BM");
    put32(out, uint32_t(offset + data.size()));
    put32(out, 0);
    put32(out, offset);
    out.append(mfbytes::dwords({40, width, height}));
    out.append(mfbytes::words({1, 8}));
    out.append(mfbytes::dwords({1, data.size(), 2835, 2835, 256, 0}));
    for (int i = 0; i < 256; ++i)
        put32(out, uint32_t(i * 0x010101));
    return out + data;
}

} // namespace hostile
