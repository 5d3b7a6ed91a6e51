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

#include <dlfcn.h>

#include <memory>
#include <tuple>
#endif

QByteArray WaveBuffer;

namespace wavesound {

#ifdef _WIN32

// Resources of type "WAVE" in the executable, as the system's sound functions expect them.
QByteArray resource(int id)
{
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"WAVE");
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void *data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return QByteArray();
    return QByteArray(static_cast<const char *>(data), qsizetype(SizeofResource(nullptr, found)));
}

Status play(QByteArrayView riff)
{
    const Result<wavefile::Wave> parsed = wavefile::parse(riff);
    if (!parsed)
        return parsed.error();
    // From memory and synchronous; with no device nothing is played, not even a default sound.
    if (!sndPlaySoundW(reinterpret_cast<LPCWSTR>(riff.data()),
                       SND_MEMORY | SND_SYNC | SND_NODEFAULT))
        return Error{QStringLiteral("the sound device did not play the sound")};
    return Done{};
}

#else

QByteArray resource(int id)
{
    QFile file(QStringLiteral(":/door%1.wav").arg(id));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

namespace {

// The sound server's client library and the dozen libraries it pulls in are loaded at the first
// play, not at start: most runs never open the middle door, and a machine without the library
// plays nothing rather than failing to start.
struct PulseLibrary
{
    decltype(&pa_simple_new) simpleNew = nullptr;
    decltype(&pa_simple_free) simpleFree = nullptr;
    decltype(&pa_simple_write) simpleWrite = nullptr;
    decltype(&pa_simple_drain) simpleDrain = nullptr;
    decltype(&pa_strerror) strerror = nullptr;
    decltype(&pa_sample_spec_valid) sampleSpecValid = nullptr;
    decltype(&pa_channel_map_init_auto) channelMapInitAuto = nullptr;

    bool loaded() const { return channelMapInitAuto != nullptr; }

    static const PulseLibrary &instance()
    {
        static const PulseLibrary library = load();
        return library;
    }

private:
    template <typename Function>
    static bool resolve(void *handle, const char *name, Function &function)
    {
        function = reinterpret_cast<Function>(dlsym(handle, name));
        return function != nullptr;
    }

    static PulseLibrary load()
    {
        PulseLibrary library;
        void *handle = dlopen("libpulse-simple.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return library;
        // The handle's search covers the libraries it depends on, where the plain pa_ calls live.
        PulseLibrary found;
        if (resolve(handle, "pa_simple_new", found.simpleNew) &&
            resolve(handle, "pa_simple_free", found.simpleFree) &&
            resolve(handle, "pa_simple_write", found.simpleWrite) &&
            resolve(handle, "pa_simple_drain", found.simpleDrain) &&
            resolve(handle, "pa_strerror", found.strerror) &&
            resolve(handle, "pa_sample_spec_valid", found.sampleSpecValid) &&
            resolve(handle, "pa_channel_map_init_auto", found.channelMapInitAuto))
            return found;
        dlclose(handle);
        return library;
    }
};

struct SimpleDeleter
{
    void operator()(pa_simple *stream) const { PulseLibrary::instance().simpleFree(stream); }
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

Error failure(const char *step, int error)
{
    return Error{QStringLiteral("sound server, %1: %2")
                     .arg(QLatin1String(step), PulseLibrary::instance().strerror(error))};
}

} // namespace

Status play(QByteArrayView riff)
{
    const Result<wavefile::Wave> parsed = wavefile::parse(riff);
    if (!parsed)
        return parsed.error();
    const wavefile::Wave &wave = *parsed;
    if (wave.samples.isEmpty())
        return Done{};
    const PulseLibrary &pulse = PulseLibrary::instance();
    if (!pulse.loaded())
        return Error{QStringLiteral("the sound server's client library is not installed")};

    pa_sample_spec spec{};
    spec.format = *sampleFormat(wave.format.bitsPerSample);
    spec.rate = static_cast<uint32_t>(wave.format.sampleRate);
    spec.channels = static_cast<uint8_t>(wave.format.channels);
    // WAVE files order their channels as the WAVEFORMATEXTENSIBLE default does.
    pa_channel_map map;
    if (!pulse.sampleSpecValid(&spec) ||
        !pulse.channelMapInitAuto(&map, spec.channels, PA_CHANNEL_MAP_WAVEEX))
        return Error{QStringLiteral("the sound server cannot take %1 channels at %2 Hz")
                         .arg(wave.format.channels)
                         .arg(wave.format.sampleRate)};

    const QByteArray servers = serverList();
    int error = 0;
    const SimpleStream stream(pulse.simpleNew(servers.constData(), "potero", PA_STREAM_PLAYBACK,
                                              nullptr, "sound", &spec, &map, nullptr, &error));
    if (!stream)
        return failure("connect", error);
    if (pulse.simpleWrite(stream.get(), wave.samples.data(),
                          static_cast<size_t>(wave.samples.size()), &error) < 0)
        return failure("write", error);
    // Returns once the server has played the last sample.
    if (pulse.simpleDrain(stream.get(), &error) < 0)
        return failure("drain", error);
    return Done{};
}

#endif

} // namespace wavesound

void PlayWaveResource(int id)
{
    WaveBuffer = wavesound::resource(id);
    // The door moves whether or not the sound could be played.
    std::ignore = wavesound::play(WaveBuffer);
}
