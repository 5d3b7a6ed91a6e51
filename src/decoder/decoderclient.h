#pragma once

#include "base/result.h"
#include "decoder/channel.h"
#include "platform/sandbox.h"
#include "platform/sharedblock.h"

#include <QByteArray>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QString>

#include <array>
#include <memory>

class QFile;

// The picture and the part of it the decoder rendered.
struct Rendered
{
    QSize natural;
    QImage pixels; // null when the part holds nothing of the picture
};

// The program's side of the decoder process: it starts the decoder, keeps it warm, hands it
// each picture file's bytes, and starts it again after it ends. A decoder that crashes, passes
// its memory limit or misses the deadline costs the picture it was working on: that file is
// refused from then on, and the next one goes to a new decoder.
class DecoderClient
{
public:
    // Past this, a request is ended with its decoder. Counted from when the decoder is ready:
    // a decoder still starting never fails a load.
    static constexpr int kDeadlineMs = 2000;

    explicit DecoderClient(QString program = defaultProgram());
    ~DecoderClient();
    DecoderClient(const DecoderClient &) = delete;
    DecoderClient &operator=(const DecoderClient &) = delete;

    // potero-decoder beside the running executable, unless a test build names another.
    static QString defaultProgram();
    static void setDefaultProgram(const QString &program);

    // Starts the decoder when none runs, and returns at once.
    void start();

    // Loads the picture file at path into slot and renders part of it at ratio (nothing when
    // part is empty). shown, when not null, is the only part the control can ever show.
    // Fails with the reason. Once the file is handed over, the slot holds nothing but the new
    // picture: a picture still shown is loaded again from its file when it needs a new part.
    Result<Rendered> load(channel::Slot slot, const QString &path, const QRect &shown,
                          const QRect &part, double ratio);
    // Renders a part of what slot holds. The load's number tells whether the slot still holds
    // that load's picture; when it does not (another load, or a new decoder), this fails.
    Result<Rendered> render(channel::Slot slot, quint64 loadNumber, const QRect &part,
                            double ratio);
    // The number of the last load that succeeded in slot, 0 when it holds nothing.
    quint64 heldLoad(channel::Slot slot) const { return m_held[size_t(slot)]; }

    // How many decoders were started: the tests see a restart.
    int starts() const { return m_starts; }

private:
    struct Identity
    {
        QString path;
        qint64 size = 0;
        QDateTime modified;
        bool operator==(const Identity &) const = default;
    };
    friend size_t qHash(const Identity &identity, size_t seed)
    {
        return qHashMulti(seed, identity.path, identity.size, identity.modified);
    }

    bool ensureReady(qint64 pixelBytes);
    Result<channel::Reply> exchange(const channel::Request &request, QFile *file);
    // The next message, within deadline; limitMs is what the deadline was set to.
    Result<channel::Parsed> nextMessage(QFile *file, const QDeadlineTimer &deadline,
                                        qint64 limitMs);
    void serveRead(QFile &file, const channel::Read &read);
    void stopDecoder();
    // Ends a decoder that failed, and starts the next one.
    Error endDecoder(const QString &why);
    Result<Rendered> rendered(const channel::Reply &reply) const;

    QString m_program;
    std::unique_ptr<QProcess> m_process;
    SharedBlock m_pixels;
    qint64 m_blockBytes;
    sandbox::Confinement m_confinement;
    QByteArray m_buffer;
    bool m_ready = false;
    int m_starts = 0;
    quint64 m_lastLoad = 0;
    std::array<quint64, channel::kSlots> m_held{};
    std::array<Identity, channel::kSlots> m_heldIdentity;
    QSet<Identity> m_refused;
};
