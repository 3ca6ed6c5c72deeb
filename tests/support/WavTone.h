#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// Sound files for the call tests: a sine tone to play into a call, and what a recording
// of the call holds. Mono 16-bit PCM; a recording with more channels is read as its
// first channel.
struct WavSound {
    int SampleRate = 0;
    std::vector<int16_t> Samples;

    double Seconds() const { return SampleRate ? double(Samples.size()) / SampleRate : 0.0; }
};

// `silenceMs` of silence, then a tone of `frequency` Hz for `toneMs` at `amplitude`
// (0..1 of full scale). False when the file cannot be written.
bool WriteToneWav(const QString& path, int frequency, int toneMs, int sampleRate = 16000,
                  int silenceMs = 0, double amplitude = 0.5);

// Nothing when the file is missing or is not 16-bit PCM WAV.
std::optional<WavSound> ReadWav(const QString& path);

// The strongest frequency between 100 and 4000 Hz, in steps of 10 Hz, over the samples
// from `first` (all to the end when `count` is negative); 0 for silence.
int DominantFrequency(const WavSound& sound, std::size_t first = 0, long count = -1);

// Where a tone of `frequency` Hz first sounds, in milliseconds from the start: the first
// 10 ms window whose level at that frequency reaches half of the loudest window's level.
// Nothing when the tone is not there at all.
std::optional<double> ToneOnsetMs(const WavSound& sound, int frequency);
