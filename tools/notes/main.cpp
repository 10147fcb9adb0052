// Writes the reference notes: one CAF per distinct sound name of the tuning
// catalogue, into the directory given as the only argument.
#include <sndfile.h>

#include <cstdio>
#include <set>
#include <string>

#include "common/Tuning.h"
#include "tools/notes/NoteSynth.h"

namespace {

bool writeCaf(const std::string& path, const std::vector<int16_t>& samples) {
  SF_INFO info{};
  info.samplerate = notes::kSampleRate;
  info.channels = 1;
  info.format = SF_FORMAT_CAF | SF_FORMAT_PCM_16;
  // Write to a temporary name and rename, so an interrupted build never
  // leaves a truncated note that looks finished.
  const std::string temp = path + ".tmp";
  SNDFILE* file = sf_open(temp.c_str(), SFM_WRITE, &info);
  if (!file) {
    std::fprintf(stderr, "quillon-notes: cannot write %s: %s\n", temp.c_str(),
                 sf_strerror(nullptr));
    return false;
  }
  const sf_count_t written = sf_writef_short(file, samples.data(), sf_count_t(samples.size()));
  sf_close(file);
  if (written != sf_count_t(samples.size()) || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "quillon-notes: cannot write %s\n", path.c_str());
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  std::set<std::string> done;
  uint32_t seed = 1;
  for (const auto& tuning : Tuning::definedTunings()) {
    const notes::Instrument instrument = notes::instrumentForTuning(tuning->tuningId);
    for (const auto& note : tuning->tuningNotes) {
      // Shared names (the guitar strings of both guitar tunings) once only.
      if (!done.insert(note->soundName()).second) continue;
      const auto samples = notes::synthesize(instrument, note->frequency(), seed++);
      if (!writeCaf(dir + "/" + note->soundName() + ".caf", samples)) return 1;
    }
  }
  return 0;
}
