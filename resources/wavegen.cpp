// Writes the program's two door sounds as RIFF/WAVE files: PCM, mono, 22050 Hz, 8-bit.
//   wavegen OUTDIR   ->  OUTDIR/door101.wav (0.8 s), OUTDIR/door102.wav (2.0 s)
// The sounds are synthesised from a fixed seed, so every run writes the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

// A small deterministic generator; std's distributions differ between libraries.
struct Noise
{
    std::uint32_t state = 0x2545F491u;
    double next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (state / 4294967295.0) * 2.0 - 1.0;
    }
};

// One-pole filters shape white noise into the hiss of escaping air.
struct OnePole
{
    double a;
    double y = 0;
    double lowPass(double x) { return y += a * (x - y); }
};

std::vector<double> pneumaticDoor(int samples, double releaseAt)
{
    std::vector<double> out(samples);
    Noise noise;
    OnePole body{0.35}, rumble{0.02};
    for (int i = 0; i < samples; ++i) {
        const double t = double(i) / kRate;
        const double total = double(samples) / kRate;
        // The valve opens with a short burst, hisses, then the door's latch thumps.
        const double attack = std::min(1.0, t / 0.015);
        const double decay = std::exp(-t * 2.8);
        const double tail = std::min(1.0, (total - t) / 0.06);
        const double n = noise.next();
        const double hiss = (n - body.lowPass(n)) * 0.55 + body.y * 0.35;
        double v = hiss * attack * decay * tail;
        v += rumble.lowPass(n) * 4.0 * decay * tail;
        if (t >= releaseAt) {
            const double dt = t - releaseAt;
            v += std::sin(2 * kPi * 70 * dt) * std::exp(-dt * 30.0) * 0.7;
        }
        out[i] = v;
    }
    return out;
}

std::vector<std::uint8_t> toPcm8(const std::vector<double> &signal)
{
    double peak = 1e-9;
    for (double v : signal)
        peak = std::max(peak, std::fabs(v));
    std::vector<std::uint8_t> pcm(signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const long s = std::lround(128.0 + signal[i] / peak * 120.0);
        pcm[i] = static_cast<std::uint8_t>(std::clamp(s, 0L, 255L));
    }
    return pcm;
}

void put16(std::vector<std::uint8_t> &out, std::uint16_t v)
{
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}

void put32(std::vector<std::uint8_t> &out, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back((v >> shift) & 0xFF);
}

std::vector<std::uint8_t> riffWave(const std::vector<std::uint8_t> &pcm)
{
    std::vector<std::uint8_t> out;
    const auto tag = [&out](const char *four) { out.insert(out.end(), four, four + 4); };
    tag("RIFF");
    put32(out, 36 + pcm.size());
    tag("WAVE");
    tag("fmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, kRate);
    put32(out, kRate); // bytes per second: one byte a sample
    put16(out, 1);     // block align
    put16(out, 8);     // bits per sample
    tag("data");
    put32(out, pcm.size());
    out.insert(out.end(), pcm.begin(), pcm.end());
    return out;
}

bool writeFile(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: wavegen OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    // 0.8 s and 2.0 s: 17,640 and 44,100 one-byte samples.
    const bool ok = writeFile(dir + "/door101.wav", riffWave(toPcm8(pneumaticDoor(17640, 0.62)))) &&
                    writeFile(dir + "/door102.wav", riffWave(toPcm8(pneumaticDoor(44100, 1.7))));
    if (!ok) {
        std::fprintf(stderr, "wavegen: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
