#include "audio/NoteSynth.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>

namespace notesynth {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxPartials = 128;

struct Voice {
  bool bowed;
  double pluckPosition;     // fraction of the string length where it is plucked
  double spectralTilt;      // harmonic n starts at 1 / n^tilt
  double fundamentalDecay;  // seconds for the fundamental to fall by 1/e
  double dampingPerKHz;     // how much faster each kHz of partial frequency decays
  double attackSeconds;
  double noiseLevel;  // pluck or bow noise, relative to the peak
};

Voice voiceFor(SoundTimbre timbre, double f0) {
  // Lower strings ring longer.
  const double ring = std::pow(110.0 / f0, 0.25);
  switch (timbre) {
    case SoundTimbre::SteelString:
      return {false, 0.18, 1.0, 1.6 * ring, 2.2, 0.003, 0.04};
    case SoundTimbre::NylonString:
      return {false, 0.22, 1.5, 1.0 * ring, 4.0, 0.005, 0.02};
    case SoundTimbre::Banjo:
      return {false, 0.12, 0.8, 1.3 * ring, 3.0, 0.002, 0.06};
    case SoundTimbre::BassGuitar:
      // Plucked by a finger near the neck: round, few upper partials, long.
      return {false, 0.25, 1.1, 2.0 * ring, 3.5, 0.004, 0.03};
    case SoundTimbre::Neutral:
      // A plain plucked tone for any pitch: a clear fundamental, little noise.
      return {false, 0.2, 1.0, 1.6 * ring, 1.5, 0.004, 0.015};
    case SoundTimbre::Bowed:
      return {true, 0.0, 1.0, 0.0, 0.0, 0.12, 0.01};
  }
  return voiceFor(SoundTimbre::SteelString, f0);
}

// Gain of the violin body: little below 250 Hz, a broad region up to a few
// kHz, rolling off above.
double bodyGain(double f) {
  return (f / (f + 250.0)) / (1.0 + (f / 3500.0) * (f / 3500.0));
}

// One partial: a phasor turned by a fixed step each sample (exact frequency,
// no drift, no sin() per sample) and a gain shrinking by a fixed factor.
struct Partial {
  double re, im;          // phasor
  double stepRe, stepIm;  // e^(i 2 pi f / rate)
  double gain, perSample;
};

// Adds the partials to the mix. Each partial's phasor is a chain of
// multiplications, one per sample, whose latency bounds a loop that runs one
// partial at a time; running a group side by side lets those chains overlap
// (about 3 x faster). Every sample still gets its partials added in the order
// 1, 2, 3 ... and every partial goes through the same operations as one alone
// would (the product of two complex numbers, renormalised every 1024
// samples), so the result is the same to the last bit.
template <int kGroup>
void addGroup(Partial* p, int count, double* mix, int frames) {
  double re[kGroup], im[kGroup], sr[kGroup], si[kGroup], gain[kGroup], decay[kGroup];
  for (int k = 0; k < count; ++k) {
    re[k] = p[k].re, im[k] = p[k].im, sr[k] = p[k].stepRe, si[k] = p[k].stepIm;
    gain[k] = p[k].gain, decay[k] = p[k].perSample;
  }
  for (int i = 0; i < frames; ++i) {
    double sum = mix[i];
    for (int k = 0; k < count; ++k) sum += gain[k] * im[k];
    mix[i] = sum;
    for (int k = 0; k < count; ++k) {
      const double r = re[k] * sr[k] - im[k] * si[k];
      im[k] = re[k] * si[k] + im[k] * sr[k];
      re[k] = r;
      gain[k] *= decay[k];
    }
    if ((i & 1023) == 1023) {
      for (int k = 0; k < count; ++k) {
        const double length = std::abs(std::complex<double>(re[k], im[k]));
        re[k] /= length;
        im[k] /= length;
      }
    }
  }
}

}  // namespace

std::vector<int16_t> synthesize(SoundTimbre timbre, double f0, uint32_t seed) {
  if (!(f0 >= 1.0 && f0 <= 0.45 * kSampleRate)) return {};
  const int frames = kFrames;
  const Voice voice = voiceFor(timbre, f0);
  const bool bowed = voice.bowed;
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);

  // Partials up to 8 kHz (and well below the Nyquist frequency), at most
  // 128: the time to make a note grows with their number, and above the
  // 128th of a note below 62 Hz (3 kHz for a 25 Hz note) they are faint and
  // gone within a tenth of a second. Every note of 62.5 Hz and up keeps all
  // its partials to 8 kHz, as it always has.
  const int count =
      std::clamp(static_cast<int>(std::min(8000.0, 0.45 * kSampleRate) / f0), 1, kMaxPartials);
  std::vector<Partial> partials(count);
  for (int n = 1; n <= count; ++n) {
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
    const std::complex<double> step = std::polar(1.0, 2.0 * kPi * f / kSampleRate);
    const std::complex<double> phase = std::polar(1.0, 2.0 * kPi * unit(random));
    partials[n - 1] = {phase.real(), phase.imag(), step.real(),
                       step.imag(),  amplitude,    std::exp(-decay / kSampleRate)};
  }
  std::vector<double> mix(frames, 0.0);
  constexpr int kGroup = 8;
  for (int first = 0; first < count; first += kGroup) {
    addGroup<kGroup>(&partials[first], std::min(kGroup, count - first), mix.data(), frames);
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

SoundTimbre timbreForSoundName(std::string_view soundName) {
  return soundTimbre(soundName).value_or(SoundTimbre::SteelString);
}

uint32_t seedForSoundName(std::string_view soundName) {
  uint32_t hash = 2166136261u;
  for (char c : soundName) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

}  // namespace notesynth
