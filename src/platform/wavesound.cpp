#include "platform/wavesound.h"

#include "platform/wavefile.h"

#include <QFile>

#ifdef _WIN32
#include <windows.h>

#include <mmsystem.h>
#ifdef _MSC_VER
#pragma comment(lib, "winmm.lib")
#endif
#else
#include <pulse/channelmap.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <memory>
#endif

QByteArray WaveBuffer;

namespace wavesound {

QString resourcePath(int id)
{
    return QStringLiteral(":/door%1.wav").arg(id);
}

#ifdef _WIN32

std::optional<QString> play(QByteArrayView riff)
{
    const wavefile::Result parsed = wavefile::parse(riff);
    if (!parsed.ok())
        return parsed.error().message;
    // From memory and synchronous; with no device nothing is played, not even a default sound.
    if (!PlaySoundW(reinterpret_cast<LPCWSTR>(riff.data()), nullptr,
                    SND_MEMORY | SND_SYNC | SND_NODEFAULT))
        return QStringLiteral("the sound device did not play the sound");
    return std::nullopt;
}

#else

namespace {

struct SimpleDeleter
{
    void operator()(pa_simple *stream) const { pa_simple_free(stream); }
};
using SimpleStream = std::unique_ptr<pa_simple, SimpleDeleter>;

std::optional<pa_sample_format_t> sampleFormat(int bitsPerSample)
{
    switch (bitsPerSample) {
    case 8:
        return PA_SAMPLE_U8;
    case 16:
        return PA_SAMPLE_S16LE;
    case 24:
        return PA_SAMPLE_S24LE;
    case 32:
        return PA_SAMPLE_S32LE;
    }
    return std::nullopt;
}

// The servers to try, named explicitly: a client that names none has a server started for it
// when none answers, and that start can take seconds. These are the places the user's own
// server listens on: the one the environment names, else the session's socket and the
// system-wide one. (Server names are separated by spaces, so a socket path with a space in it
// cannot be named.)
QByteArray serverList()
{
    const QByteArray named = qgetenv("PULSE_SERVER");
    if (!named.trimmed().isEmpty())
        return named;
    QByteArray runtime = qgetenv("PULSE_RUNTIME_PATH");
    if (runtime.isEmpty()) {
        const QByteArray session = qgetenv("XDG_RUNTIME_DIR");
        if (!session.isEmpty())
            runtime = session + "/pulse";
    }
    QByteArray list;
    if (!runtime.isEmpty() && !runtime.contains(' '))
        list = "unix:" + runtime + "/native ";
    return list + "unix:/var/run/pulse/native";
}

QString failure(const char *step, int error)
{
    return QStringLiteral("sound server, %1: %2").arg(QLatin1String(step), pa_strerror(error));
}

} // namespace

std::optional<QString> play(QByteArrayView riff)
{
    const wavefile::Result parsed = wavefile::parse(riff);
    if (!parsed.ok())
        return parsed.error().message;
    const wavefile::Wave &wave = parsed.wave();
    if (wave.samples.isEmpty())
        return std::nullopt;

    pa_sample_spec spec{};
    spec.format = *sampleFormat(wave.format.bitsPerSample);
    spec.rate = static_cast<uint32_t>(wave.format.sampleRate);
    spec.channels = static_cast<uint8_t>(wave.format.channels);
    // WAVE files order their channels as the WAVEFORMATEXTENSIBLE default does.
    pa_channel_map map;
    if (!pa_sample_spec_valid(&spec) ||
        !pa_channel_map_init_auto(&map, spec.channels, PA_CHANNEL_MAP_WAVEEX))
        return QStringLiteral("the sound server cannot take %1 channels at %2 Hz")
            .arg(wave.format.channels)
            .arg(wave.format.sampleRate);

    const QByteArray servers = serverList();
    int error = 0;
    const SimpleStream stream(pa_simple_new(servers.constData(), "potero", PA_STREAM_PLAYBACK,
                                            nullptr, "sound", &spec, &map, nullptr, &error));
    if (!stream)
        return failure("connect", error);
    if (pa_simple_write(stream.get(), wave.samples.data(), static_cast<size_t>(wave.samples.size()),
                        &error) < 0)
        return failure("write", error);
    // Returns once the server has played the last sample.
    if (pa_simple_drain(stream.get(), &error) < 0)
        return failure("drain", error);
    return std::nullopt;
}

#endif

} // namespace wavesound

void PlayWaveResource(int id)
{
    QFile resource(wavesound::resourcePath(id));
    WaveBuffer = resource.open(QIODevice::ReadOnly) ? resource.readAll() : QByteArray();
    // The door moves whether or not the sound could be played.
    (void)wavesound::play(WaveBuffer);
}
