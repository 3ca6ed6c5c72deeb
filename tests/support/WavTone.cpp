#include "WavTone.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace
{
void PutLe(QByteArray& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

uint32_t GetLe(const char* p, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | uint8_t(p[i]);
    return value;
}

// The level of one frequency over a stretch of samples (Goertzel).
double Level(const WavSound& sound, std::size_t first, std::size_t count, double frequency)
{
    const double w = 2.0 * std::numbers::pi * frequency / sound.SampleRate;
    const double coeff = 2.0 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (std::size_t i = first; i < first + count && i < sound.Samples.size(); ++i) {
        const double s0 = sound.Samples[i] + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - coeff * s1 * s2));
}
} // namespace

bool WriteToneWav(const QString& path, int frequency, int toneMs, int sampleRate, int silenceMs,
                  double amplitude)
{
    const long silent = long(sampleRate) * silenceMs / 1000;
    const long tone = long(sampleRate) * toneMs / 1000;
    QByteArray pcm;
    pcm.reserve(int((silent + tone) * 2));
    for (long i = 0; i < silent; ++i)
        PutLe(pcm, 0, 2);
    for (long i = 0; i < tone; ++i) {
        const double v = amplitude * 32767.0 *
                         std::sin(2.0 * std::numbers::pi * frequency * double(i) / sampleRate);
        PutLe(pcm, uint16_t(int16_t(std::lround(v))), 2);
    }
    QByteArray wav("RIFF");
    PutLe(wav, uint32_t(36 + pcm.size()), 4);
    wav.append("WAVEfmt ");
    PutLe(wav, 16, 4);
    PutLe(wav, 1, 2); // PCM
    PutLe(wav, 1, 2); // mono
    PutLe(wav, uint32_t(sampleRate), 4);
    PutLe(wav, uint32_t(sampleRate * 2), 4);
    PutLe(wav, 2, 2);
    PutLe(wav, 16, 2);
    wav.append("data");
    PutLe(wav, uint32_t(pcm.size()), 4);
    wav.append(pcm);
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(wav) == wav.size();
}

std::optional<WavSound> ReadWav(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray all = file.readAll();
    if (all.size() < 12 || !all.startsWith("RIFF") || all.mid(8, 4) != "WAVE")
        return std::nullopt;
    WavSound sound;
    int channels = 0;
    for (qsizetype at = 12; at + 8 <= all.size();) {
        const QByteArray id = all.mid(at, 4);
        qsizetype size = GetLe(all.constData() + at + 4, 4);
        const qsizetype body = at + 8;
        if (id == "fmt " && size >= 16 && body + 16 <= all.size()) {
            const char* f = all.constData() + body;
            if (GetLe(f, 2) != 1 || GetLe(f + 14, 2) != 16)
                return std::nullopt;
            channels = int(GetLe(f + 2, 2));
            sound.SampleRate = int(GetLe(f + 4, 4));
        } else if (id == "data" && channels > 0) {
            // A recording cut short may say more (or 0) than the file holds.
            if (size == 0 || body + size > all.size())
                size = all.size() - body;
            const std::size_t frames = std::size_t(size) / (2 * channels);
            sound.Samples.resize(frames);
            for (std::size_t i = 0; i < frames; ++i)
                sound.Samples[i] =
                    int16_t(GetLe(all.constData() + body + qsizetype(i) * 2 * channels, 2));
            return sound.SampleRate > 0 ? std::optional(sound) : std::nullopt;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

int DominantFrequency(const WavSound& sound, std::size_t first, long count)
{
    if (sound.SampleRate <= 0 || first >= sound.Samples.size())
        return 0;
    const std::size_t n =
        count < 0 ? sound.Samples.size() - first
                  : std::min<std::size_t>(std::size_t(count), sound.Samples.size() - first);
    int best = 0;
    double bestLevel = 0;
    for (int f = 100; f <= std::min(4000, sound.SampleRate / 2 - 10); f += 10) {
        const double level = Level(sound, first, n, f);
        if (level > bestLevel) {
            bestLevel = level;
            best = f;
        }
    }
    // A sine of amplitude A gives a level of about A * n / 2; below an amplitude of 50
    // (of 32,767) there is no tone worth naming.
    return bestLevel >= 25.0 * double(n) ? best : 0;
}

std::optional<double> ToneOnsetMs(const WavSound& sound, int frequency)
{
    if (sound.SampleRate <= 0)
        return std::nullopt;
    const std::size_t window = std::size_t(sound.SampleRate) / 100;
    std::vector<double> levels;
    for (std::size_t at = 0; at + window <= sound.Samples.size(); at += window)
        levels.push_back(Level(sound, at, window, frequency));
    if (levels.empty())
        return std::nullopt;
    const double loudest = *std::max_element(levels.begin(), levels.end());
    // Full scale would give about 16,000 per window; a tone far below any real one is
    // only noise.
    if (loudest < 0.01 * 32767.0 * double(window) / 2.0)
        return std::nullopt;
    for (std::size_t i = 0; i < levels.size(); ++i)
        if (levels[i] >= loudest / 2)
            return double(i) * 10.0;
    return std::nullopt;
}
