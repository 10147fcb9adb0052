#include "tools/notes/NoteSynth.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>

namespace notes {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Voice {
  double pluckPosition;     // fraction of the string length where it is plucked
  double spectralTilt;      // harmonic n starts at 1 / n^tilt
  double fundamentalDecay;  // seconds for the fundamental to fall by 1/e
  double dampingPerKHz;     // how much faster each kHz of partial frequency decays
  double attackSeconds;
  double noiseLevel;  // pluck or bow noise, relative to the peak
};

Voice voiceFor(Instrument instrument, double f0) {
  // Lower strings ring longer.
  const double ring = std::pow(110.0 / f0, 0.25);
  switch (instrument) {
    case Instrument::SteelString:
      return {0.18, 1.0, 1.6 * ring, 2.2, 0.003, 0.04};
    case Instrument::NylonString:
      return {0.22, 1.5, 1.0 * ring, 4.0, 0.005, 0.02};
    case Instrument::Banjo:
      return {0.12, 0.8, 1.3 * ring, 3.0, 0.002, 0.06};
    case Instrument::Bowed:
      return {0.0, 1.0, 0.0, 0.0, 0.12, 0.01};
  }
  return {};
}

// Gain of the violin body: little below 250 Hz, a broad region up to a few
// kHz, rolling off above.
double bodyGain(double f) {
  return (f / (f + 250.0)) / (1.0 + (f / 3500.0) * (f / 3500.0));
}

}  // namespace

Instrument instrumentForTuning(const std::string& tuningId) {
  if (tuningId == "violin") return Instrument::Bowed;
  if (tuningId == "banjo") return Instrument::Banjo;
  if (tuningId == "ukulele") return Instrument::NylonString;
  return Instrument::SteelString;
}

std::vector<int16_t> synthesize(Instrument instrument, double f0, uint32_t seed) {
  const int frames = static_cast<int>(kSeconds * kSampleRate);
  const Voice voice = voiceFor(instrument, f0);
  const bool bowed = instrument == Instrument::Bowed;
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);

  std::vector<double> mix(frames, 0.0);
  // Partials up to 8 kHz (and well below the Nyquist frequency).
  const int partials = std::max(1, static_cast<int>(std::min(8000.0, 0.45 * kSampleRate) / f0));
  for (int n = 1; n <= partials; ++n) {
    const double f = n * f0;
    double amplitude = 1.0 / std::pow(n, voice.spectralTilt);
    if (bowed) {
      amplitude *= bodyGain(f);
    } else {
      // Plucking at a point mutes the harmonics with a node there; the small
      // floor keeps them faintly present, as on a real string.
      amplitude *= 0.1 + std::abs(std::sin(n * kPi * voice.pluckPosition));
    }
    const double decay =
        bowed ? 0.0 : 1.0 / (voice.fundamentalDecay / (1.0 + voice.dampingPerKHz * f / 1000.0));
    // A phasor per partial: exact frequency, no drift, no sin() per sample.
    const std::complex<double> step = std::polar(1.0, 2.0 * kPi * f / kSampleRate);
    std::complex<double> phasor = std::polar(1.0, 2.0 * kPi * unit(random));
    const double perSample = std::exp(-decay / kSampleRate);
    double gain = amplitude;
    for (int i = 0; i < frames; ++i) {
      mix[i] += gain * phasor.imag();
      phasor *= step;
      gain *= perSample;
      if ((i & 1023) == 1023) phasor /= std::abs(phasor);
    }
  }

  // Attack noise: a short burst for a pluck, a faint steady hiss for a bow;
  // smoothed so it sits under the tone rather than over it.
  double peak = 0.0;
  for (double v : mix) peak = std::max(peak, std::abs(v));
  double lowpass = 0.0;
  const double noiseDecay = bowed ? 0.0 : 1.0 / 0.03;
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    lowpass += 0.3 * ((unit(random) * 2.0 - 1.0) - lowpass);
    mix[i] += peak * voice.noiseLevel * std::exp(-noiseDecay * t) * lowpass;
  }

  // Envelope: a raised-cosine attack; a bowed note holds and then releases
  // over its last 0.4 s; everything fades over the last 50 ms to end in silence.
  const int attack = std::max(1, static_cast<int>(voice.attackSeconds * kSampleRate));
  const int release = static_cast<int>((bowed ? 0.4 : 0.05) * kSampleRate);
  for (int i = 0; i < frames; ++i) {
    double e = 1.0;
    if (i < attack) e *= 0.5 - 0.5 * std::cos(kPi * i / attack);
    const int left = frames - 1 - i;
    if (left < release) e *= 0.5 - 0.5 * std::cos(kPi * left / release);
    mix[i] *= e;
  }

  peak = 0.0;
  for (double v : mix) peak = std::max(peak, std::abs(v));
  const double scale = peak > 0.0 ? 0.5 * 32767.0 / peak : 0.0;  // peaks at -6 dBFS
  std::vector<int16_t> samples(frames);
  for (int i = 0; i < frames; ++i)
    samples[i] = static_cast<int16_t>(std::lround(std::clamp(mix[i] * scale, -32767.0, 32767.0)));
  return samples;
}

}  // namespace notes
