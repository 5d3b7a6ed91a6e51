#include "decoder/decoderclient.h"

#include "decoder/pictureloader.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cmath>

namespace {

// A decoder loads its libraries and the toolkit in well under a second; on a machine loaded
// to a standstill it is given this long before a load gives up on it.
constexpr int kStartLimitMs = 30000;
// The whole window at a ratio of 3: the largest part any control shows. The pages a decoder
// never writes cost nothing.
constexpr qint64 kDefaultPixelBytes = qint64(728 * 3) * (219 * 3) * 4;

QString &programOverride()
{
    static QString program;
    return program;
}

qint64 pixelBytesFor(const QRect &part, double ratio)
{
    return qint64(std::ceil(part.width() * ratio) + 1) *
           qint64(std::ceil(part.height() * ratio) + 1) * 4;
}

} // namespace

DecoderClient::DecoderClient(QString program)
    : m_program(std::move(program)), m_blockBytes(kDefaultPixelBytes)
{
}

DecoderClient::~DecoderClient()
{
    stopDecoder();
}

QString DecoderClient::defaultProgram()
{
    if (!programOverride().isEmpty())
        return programOverride();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/potero-decoder");
}

void DecoderClient::setDefaultProgram(const QString &program)
{
    programOverride() = program;
}

void DecoderClient::start()
{
    if (m_process && m_process->state() != QProcess::NotRunning)
        return;
    stopDecoder();
    // A block of its own for each decoder.
    m_pixels = SharedBlock();
    auto pixels = SharedBlock::create(m_blockBytes);
    if (!pixels)
        return;
    m_pixels = std::move(pixels).value();
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(m_program);
    m_process->setArguments(
        {QStringLiteral("--pixels"), m_pixels.token(), QString::number(m_pixels.size())});
    m_process->setProcessEnvironment(sandbox::environment());
    // Its one line on the protections that hold reaches the program's standard error.
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_pixels.shareWith(*m_process);
    ++m_starts;
    m_process->start(QIODevice::ReadWrite);
    if (m_process->waitForStarted(kStartLimitMs))
        m_confinement.confine(*m_process);
}

bool DecoderClient::ensureReady(qint64 pixelBytes)
{
    if (m_pixels.size() < pixelBytes) {
        // A larger screen ratio than the block was made for: a new block, a new decoder.
        m_blockBytes = std::max(pixelBytes, kDefaultPixelBytes);
        stopDecoder();
    }
    start();
    if (!m_process || m_process->state() != QProcess::Running)
        return false;
    if (m_ready)
        return true;
    const auto ready = nextMessage(nullptr, QDeadlineTimer(kStartLimitMs), kStartLimitMs);
    m_ready = ready && ready->kind == channel::Message::Ready;
    return m_ready;
}

void DecoderClient::stopDecoder()
{
    if (m_process) {
        m_process->kill();
        m_process->waitForFinished(1000);
    }
    m_process.reset();
    m_ready = false;
    m_buffer.clear();
    m_held = {};
}

Error DecoderClient::endDecoder(const QString &why)
{
    stopDecoder();
    // The next picture finds a decoder ready.
    start();
    return Error{why};
}

Result<channel::Parsed> DecoderClient::nextMessage(QFile *file, const QDeadlineTimer &deadline,
                                                   qint64 limitMs)
{
    const qint64 fileBytes = file ? file->size() : 0;
    for (;;) {
        m_buffer += m_process->readAllStandardOutput();
        const auto parsed = channel::parseMessage(m_buffer, m_pixels.size(), fileBytes);
        if (!parsed)
            return endDecoder(parsed.error().message);
        if (*parsed) {
            m_buffer.remove(0, (*parsed)->consumed);
            return **parsed;
        }
        if (m_process->state() != QProcess::Running)
            return endDecoder(QStringLiteral("the decoder ended"));
        if (deadline.hasExpired())
            return endDecoder(QStringLiteral("the decoder took longer than %1 ms").arg(limitMs));
        m_process->waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)));
    }
}

void DecoderClient::serveRead(QFile &file, const channel::Read &read)
{
    // The bytes go through the shared block, not the pipe: a file read through is one copy.
    qint64 got = 0;
    if (file.seek(read.offset))
        got =
            std::max<qint64>(file.read(reinterpret_cast<char *>(m_pixels.data()), read.length), 0);
    char count[8];
    qToLittleEndian<qint64>(got, count);
    m_process->write(count, sizeof count);
}

Result<channel::Reply> DecoderClient::exchange(const channel::Request &request, QFile *file)
{
    const QDeadlineTimer deadline(kDeadlineMs);
    m_process->write(channel::encode(request));
    for (;;) {
        auto message = nextMessage(file, deadline, kDeadlineMs);
        if (!message)
            return message.error();
        switch (message->kind) {
        case channel::Message::Read:
            if (!file)
                return endDecoder(QStringLiteral("the decoder asked for a file it was not given"));
            serveRead(*file, message->read);
            break;
        case channel::Message::Reply:
            return message->reply;
        case channel::Message::Ready:
            return endDecoder(QStringLiteral("the decoder said ready twice"));
        }
    }
}

Result<Rendered> DecoderClient::rendered(const channel::Reply &reply) const
{
    if (!reply.ok)
        return Error{reply.message};
    Rendered result{reply.natural, QImage()};
    if (!reply.pixels.isEmpty()) {
        const QImage shared(m_pixels.data(), reply.pixels.width(), reply.pixels.height(),
                            qsizetype(reply.pixels.width()) * 4,
                            QImage::Format_ARGB32_Premultiplied);
        result.pixels = shared.copy();
        result.pixels.setDevicePixelRatio(reply.pixelRatio);
    }
    return result;
}

Result<Rendered> DecoderClient::load(channel::Slot slot, const QString &path, const QRect &shown,
                                     const QRect &part, double ratio)
{
    ratio = ratio > 0 ? ratio : 1.0;
    const QFileInfo info(path);
    const Identity identity{path, info.size(), info.lastModified()};
    if (m_refused.contains(identity))
        return cannotLoad(path, Error{QStringLiteral("it ended the decoder before")});
    QFile file;
    const auto opened = openPictureFile(path, file);
    if (!opened)
        return cannotLoad(path, opened.error());
    if (!ensureReady(pixelBytesFor(part, ratio)))
        return cannotLoad(path, Error{QStringLiteral("the decoder did not start")});
    const channel::Request request{channel::Kind::Load, slot, shown, part, ratio, file.size()};
    // Whatever the outcome, the slot no longer holds what it held.
    m_held[size_t(slot)] = 0;
    m_heldIdentity[size_t(slot)] = {};
    const auto reply = exchange(request, &file);
    if (!reply) {
        // It ended the decoder: it will not be tried again in this run.
        m_refused.insert(identity);
        return cannotLoad(path, reply.error());
    }
    auto result = rendered(*reply);
    if (!result)
        return cannotLoad(path, result.error());
    m_held[size_t(slot)] = ++m_lastLoad;
    m_heldIdentity[size_t(slot)] = identity;
    return result;
}

Result<Rendered> DecoderClient::render(channel::Slot slot, quint64 loadNumber, const QRect &part,
                                       double ratio)
{
    ratio = ratio > 0 ? ratio : 1.0;
    if (loadNumber == 0 || m_held[size_t(slot)] != loadNumber ||
        !ensureReady(pixelBytesFor(part, ratio)) || m_held[size_t(slot)] != loadNumber)
        return Error{QStringLiteral("the decoder no longer holds the picture")};
    const auto reply = exchange({channel::Kind::Render, slot, QRect(), part, ratio, 0}, nullptr);
    if (!reply) {
        m_refused.insert(m_heldIdentity[size_t(slot)]);
        return reply.error();
    }
    return rendered(*reply);
}
