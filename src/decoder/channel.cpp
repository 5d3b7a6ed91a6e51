#include "decoder/channel.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace channel {
namespace {

constexpr char kRequestMagic[4] = {'P', 'D', 'Q', '1'};
constexpr char kMessageMagic[4] = {'P', 'D', 'M', '1'};

class Writer
{
public:
    explicit Writer(qsizetype size) : m_bytes(size, '\0') {}
    template <typename T> void put(qsizetype at, T value)
    {
        qToLittleEndian(value, m_bytes.data() + at);
    }
    void magic(const char (&magic)[4]) { std::memcpy(m_bytes.data(), magic, 4); }
    QByteArray bytes() && { return std::move(m_bytes); }

private:
    QByteArray m_bytes;
};

template <typename T> T get(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<T>(bytes.data() + at);
}

void putRect(Writer &out, qsizetype at, const QRect &rect)
{
    out.put<int32_t>(at, rect.x());
    out.put<int32_t>(at + 4, rect.y());
    out.put<int32_t>(at + 8, rect.width());
    out.put<int32_t>(at + 12, rect.height());
}

QRect getRect(QByteArrayView bytes, qsizetype at)
{
    return QRect(get<int32_t>(bytes, at), get<int32_t>(bytes, at + 4), get<int32_t>(bytes, at + 8),
                 get<int32_t>(bytes, at + 12));
}

// Ratios travel in thousandths, so both sides agree on them exactly.
uint32_t thousandths(double ratio)
{
    return uint32_t(std::lround(std::clamp(ratio, 0.0, kMaxRatio) * 1000));
}

bool validRect(const QRect &rect)
{
    constexpr int kSide = kMaxNaturalSide;
    return rect.width() >= 0 && rect.height() >= 0 && rect.width() <= kSide &&
           rect.height() <= kSide && std::abs(rect.x()) <= kSide && std::abs(rect.y()) <= kSide;
}

Error broken(const QString &what, qsizetype at)
{
    return Error{QStringLiteral("decoder message: %1").arg(what), at};
}

} // namespace

QByteArray encode(const Request &request)
{
    Writer out(kRequestBytes);
    out.magic(kRequestMagic);
    out.put<uint32_t>(4, uint32_t(request.kind));
    out.put<uint32_t>(8, uint32_t(request.slot));
    putRect(out, 12, request.shown);
    putRect(out, 28, request.part);
    out.put<uint32_t>(44, thousandths(request.ratio));
    out.put<int64_t>(48, request.bytes);
    return std::move(out).bytes();
}

Result<Request> parseRequest(QByteArrayView header)
{
    if (header.size() != kRequestBytes || std::memcmp(header.data(), kRequestMagic, 4) != 0)
        return broken(QStringLiteral("not a request"), 0);
    Request request;
    request.kind = Kind(get<uint32_t>(header, 4));
    const uint32_t slot = get<uint32_t>(header, 8);
    if (slot >= kSlots)
        return broken(QStringLiteral("no such slot"), 8);
    request.slot = Slot(slot);
    request.shown = getRect(header, 12);
    request.part = getRect(header, 28);
    if (!validRect(request.shown) || !validRect(request.part))
        return broken(QStringLiteral("part out of range"), 12);
    const uint32_t ratio = get<uint32_t>(header, 44);
    if (ratio == 0 || ratio > kMaxRatio * 1000)
        return broken(QStringLiteral("ratio out of range"), 44);
    request.ratio = ratio / 1000.0;
    request.bytes = get<int64_t>(header, 48);
    if (request.bytes < 0)
        return broken(QStringLiteral("negative size"), 48);
    return request;
}

QByteArray encodeReady()
{
    Writer out(kMessageBytes);
    out.magic(kMessageMagic);
    out.put<uint32_t>(4, uint32_t(Message::Ready));
    return std::move(out).bytes();
}

QByteArray encodeRead(const Read &read)
{
    Writer out(kMessageBytes);
    out.magic(kMessageMagic);
    out.put<uint32_t>(4, uint32_t(Message::Read));
    out.put<int64_t>(8, read.offset);
    out.put<int64_t>(16, read.length);
    return std::move(out).bytes();
}

QByteArray encode(const Reply &reply)
{
    const QByteArray text = reply.message.left(kMaxMessageChars).toUtf8();
    Writer out(kMessageBytes);
    out.magic(kMessageMagic);
    out.put<uint32_t>(4, uint32_t(Message::Reply));
    out.put<uint32_t>(8, reply.ok ? 1 : 0);
    out.put<int32_t>(12, reply.natural.width());
    out.put<int32_t>(16, reply.natural.height());
    out.put<int32_t>(20, reply.pixels.width());
    out.put<int32_t>(24, reply.pixels.height());
    out.put<uint32_t>(28, thousandths(reply.pixelRatio));
    out.put<uint32_t>(32, uint32_t(text.size()));
    return std::move(out).bytes() + text;
}

Result<std::optional<Parsed>> parseMessage(QByteArrayView buffer, int64_t sharedBytes,
                                           int64_t fileBytes)
{
    if (buffer.size() < kMessageBytes)
        return std::optional<Parsed>();
    if (std::memcmp(buffer.data(), kMessageMagic, 4) != 0)
        return broken(QStringLiteral("not a message"), 0);
    Parsed parsed;
    parsed.consumed = kMessageBytes;
    const uint32_t kind = get<uint32_t>(buffer, 4);
    switch (Message(kind)) {
    case Message::Ready:
        parsed.kind = Message::Ready;
        return std::optional<Parsed>(parsed);
    case Message::Read: {
        parsed.kind = Message::Read;
        parsed.read = Read{get<int64_t>(buffer, 8), get<int64_t>(buffer, 16)};
        const Read &read = parsed.read;
        if (read.offset < 0 || read.length < 0 ||
            read.length > std::min(kMaxReadLength, sharedBytes) || read.offset > fileBytes)
            return broken(QStringLiteral("read out of range"), 8);
        return std::optional<Parsed>(parsed);
    }
    case Message::Reply:
        break;
    default:
        return broken(QStringLiteral("unknown message"), 4);
    }
    parsed.kind = Message::Reply;
    Reply &reply = parsed.reply;
    const uint32_t ok = get<uint32_t>(buffer, 8);
    if (ok > 1)
        return broken(QStringLiteral("bad status"), 8);
    reply.ok = ok == 1;
    reply.natural = QSize(get<int32_t>(buffer, 12), get<int32_t>(buffer, 16));
    reply.pixels = QSize(get<int32_t>(buffer, 20), get<int32_t>(buffer, 24));
    if (reply.natural.width() < 0 || reply.natural.height() < 0 ||
        reply.natural.width() > kMaxNaturalSide || reply.natural.height() > kMaxNaturalSide)
        return broken(QStringLiteral("natural size out of range"), 12);
    const int64_t width = reply.pixels.width();
    const int64_t height = reply.pixels.height();
    if (width < 0 || height < 0 || width > kMaxNaturalSide || height > kMaxNaturalSide ||
        width * height * 4 > sharedBytes)
        return broken(QStringLiteral("pixels out of range"), 20);
    const uint32_t ratio = get<uint32_t>(buffer, 28);
    if (ratio == 0 || ratio > kMaxRatio * 1000)
        return broken(QStringLiteral("ratio out of range"), 28);
    reply.pixelRatio = ratio / 1000.0;
    const uint32_t textBytes = get<uint32_t>(buffer, 32);
    if (textBytes > uint32_t(kMaxMessageChars) * 4)
        return broken(QStringLiteral("message too long"), 32);
    if (buffer.size() < kMessageBytes + qsizetype(textBytes))
        return std::optional<Parsed>();
    reply.message = QString::fromUtf8(buffer.sliced(kMessageBytes, textBytes));
    parsed.consumed += textBytes;
    return std::optional<Parsed>(parsed);
}

} // namespace channel
