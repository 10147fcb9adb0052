// Writes a plucked low string as a real one sounds: the fundamental well
// below the strongest partial, the partials slightly stretched (a stiff
// string) and each dying away, the higher ones sooner; plucked again at a
// steady pace.
//
//   quillon_plucked_string OUT.raw F0_HZ FUNDAMENTAL_DB SECONDS [PLUCK_EVERY_S]
//
// OUT.raw: signed 16-bit little-endian mono at 22050 Hz. FUNDAMENTAL_DB is how
// far the fundamental lies below the 2nd partial, the strongest; the partials
// from the 2nd on fall as 1/n^0.7, up to 2.5 kHz. Plucked every 4 s unless
// given. Exit status 2 on bad arguments or an unwritable file.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr double kRate = 22050.0;
constexpr double kInharmonicity = 1e-4;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: %s OUT.raw F0_HZ FUNDAMENTAL_DB SECONDS [PLUCK_EVERY_S]\n",
                 argv[0]);
    return 2;
  }
  const double f0 = std::atof(argv[2]);
  const double fundamentalDb = std::atof(argv[3]);
  const double seconds = std::atof(argv[4]);
  const double every = argc == 6 ? std::atof(argv[5]) : 4.0;
  if (!(f0 > 20 && f0 < 1000) || !(fundamentalDb >= 0) || !(seconds > 0) || !(every > 0.5)) {
    std::fprintf(stderr, "%s: bad arguments\n", argv[0]);
    return 2;
  }

  struct Partial {
    double frequency, amplitude, decaySeconds;
  };
  std::vector<Partial> partials;
  for (int n = 1; n * f0 < 2500; ++n) {
    const double f = n * f0 * std::sqrt(1 + kInharmonicity * n * n);
    const double a =
        n == 1 ? std::pow(2.0, -0.7) * std::pow(10.0, -fundamentalDb / 20) : std::pow(n, -0.7);
    partials.push_back({f, a, 3.0 / (1.0 + 2.0 * f / 1000.0)});
  }
  double peak = 0;
  for (const Partial& p : partials) peak += p.amplitude;

  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 2;
  }
  const long frames = std::lround(seconds * kRate);
  for (long i = 0; i < frames; ++i) {
    const double t = std::fmod(i / kRate, every);
    double v = 0;
    for (const Partial& p : partials) {
      v += p.amplitude * std::exp(-t / p.decaySeconds) * std::sin(2 * M_PI * p.frequency * t);
    }
    // 5 ms of attack, so that a new pluck does not click.
    v *= std::min(1.0, t / 0.005) * 0.7 / peak;
    const auto sample = static_cast<int16_t>(std::lround(v * 32767));
    const unsigned char bytes[2] = {static_cast<unsigned char>(sample & 0xff),
                                    static_cast<unsigned char>((sample >> 8) & 0xff)};
    std::fwrite(bytes, 1, 2, out);
  }
  return std::fclose(out) == 0 ? 0 : 2;
}
