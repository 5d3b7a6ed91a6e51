#include "decoder/decoderservice.h"

#include "decoder/channelfile.h"
#include "platform/sharedblock.h"
#include "platform/stdchannel.h"

#include <QCoreApplication>
#include <QtEndian>

#include <algorithm>
#include <cstring>

#ifdef POTERO_DECODER_PROBES
#include <QFile>
#include <vector>
#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>
#endif
#endif

namespace {

channel::Reply refused(const QString &why)
{
    channel::Reply reply;
    reply.message = why;
    return reply;
}

} // namespace

DecoderService::DecoderService(SharedBlock &pixels) : m_pixels(pixels) {}

void DecoderService::run()
{
    if (!stdchannel::writeAll(channel::encodeReady()))
        return;
    QByteArray header(channel::kRequestBytes, '\0');
    while (stdchannel::readExactly(header.data(), header.size())) {
        const auto request = channel::parseRequest(header);
        if (!request || !answer(*request))
            return;
        // The toolkit's timers run between requests: its font cache lets go of the fonts that
        // earlier pictures made, which would otherwise pile up for the decoder's whole life.
        QCoreApplication::processEvents();
    }
}

bool DecoderService::answer(const channel::Request &request)
{
    bool broken = false;
    channel::Reply reply;
    switch (request.kind) {
    case channel::Kind::Load:
        reply = load(request, broken);
        break;
    case channel::Kind::Render:
        reply = render(request);
        break;
    default:
        // Only the program speaks to the decoder, and it never asks this: the channel is not its.
        return false;
    }
    return !broken && stdchannel::writeAll(channel::encode(reply));
}

channel::Reply DecoderService::load(const channel::Request &request, bool &broken)
{
    // The picture it replaces gives its memory back first, so that a large picture can follow
    // another; the program reloads the old one from its file if it is still shown.
    m_held[size_t(request.slot)].reset();
    ChannelFile file(request.bytes, [this](qint64 offset, char *data, qint64 length) {
        return fetch(offset, data, length);
    });
    if (auto probed = probe(file))
        return *probed;
    auto picture = decodePicture(file, request.shown);
    broken = file.broken();
    if (!picture)
        return refused(picture.error().message);
    m_held[size_t(request.slot)] = std::move(picture).value();
    if (request.part.isEmpty()) {
        channel::Reply reply;
        reply.ok = true;
        reply.natural = m_held[size_t(request.slot)]->naturalSize();
        return reply;
    }
    return render(request);
}

qint64 DecoderService::fetch(qint64 offset, char *data, qint64 length)
{
    length = std::min(length, qint64(m_pixels.size()));
    if (!stdchannel::writeAll(channel::encodeRead({offset, length})))
        return -1;
    char count[8];
    if (!stdchannel::readExactly(count, sizeof count))
        return -1;
    const qint64 got = qFromLittleEndian<qint64>(count);
    if (got < 0 || got > length)
        return -1;
    std::memcpy(data, m_pixels.data(), size_t(got));
    return got;
}

channel::Reply DecoderService::render(const channel::Request &request)
{
    const std::optional<Picture> &held = m_held[size_t(request.slot)];
    if (!held)
        return refused(QStringLiteral("no picture held"));
    channel::Reply reply;
    reply.ok = true;
    reply.natural = held->naturalSize();
    QImage image = held->render(request.part, request.ratio);
    if (image.isNull())
        return reply;
    if (qint64(image.width()) * image.height() * 4 > m_pixels.size())
        return refused(QStringLiteral("the part is larger than the shared block"));
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    const qsizetype row = qsizetype(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(m_pixels.data() + y * row, image.constScanLine(y), size_t(row));
    reply.pixels = image.size();
    reply.pixelRatio = image.devicePixelRatio();
    return reply;
}

#ifdef POTERO_DECODER_PROBES
// The test build's faults and escapes, asked for by files that begin "potero-probe:": each must
// end in a refused picture or a failed call.
std::optional<channel::Reply> DecoderService::probe(QIODevice &file)
{
    const QByteArray head = file.peek(4096);
    const QByteArray prefix = "potero-probe:";
    if (!head.startsWith(prefix))
        return std::nullopt;
    const QList<QByteArray> words = head.mid(prefix.size()).split(':');
    const QByteArray &what = words.first();
    const QString path = words.size() > 1 ? QString::fromUtf8(words[1]) : QString();
    channel::Reply reply;
    if (what == "crash") {
        std::memcpy(reinterpret_cast<void *>(quintptr(head.size() & 0xF)), "x", 1);
    } else if (what == "allocate") {
        // Touches every page, as a decoder filling pixels would.
        std::vector<std::vector<char>> kept;
        for (;;)
            kept.emplace_back(size_t(16) << 20, 'x');
    } else if (what == "loop") {
        for (volatile bool spinning = true; spinning;) {
        }
    } else if (what == "read") {
        QFile target(path);
        reply.ok = target.open(QIODevice::ReadOnly) && target.read(1).size() == 1;
        reply.message = target.errorString();
    } else if (what == "create") {
        QFile target(path);
        reply.ok = target.open(QIODevice::WriteOnly) && target.write("x", 1) == 1 && target.flush();
        reply.message = target.errorString();
    } else if (what == "socket") {
#ifdef Q_OS_UNIX
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        reply.ok = fd >= 0;
        reply.message = qt_error_string(errno);
        if (fd >= 0)
            ::close(fd);
#endif
    }
    return reply;
}
#else
std::optional<channel::Reply> DecoderService::probe(QIODevice &)
{
    return std::nullopt;
}
#endif
