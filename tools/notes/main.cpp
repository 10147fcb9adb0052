// Writes the reference notes: one CAF per distinct sound name of the built-in
// tunings, into the directory given as the first argument. The sound names
// the build expects follow it; a catalogue that names others is an error, so
// the build's list of outputs cannot drift from what is written.
#include <sndfile.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "audio/NoteSynth.h"
#include "common/Tuning.h"

namespace {

bool writeCaf(const std::string& path, const std::vector<int16_t>& samples) {
  SF_INFO info{};
  info.samplerate = notesynth::kSampleRate;
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

// Names in one set and not the other, reported; true when there are none.
bool sameNames(const std::set<std::string>& catalogue, const std::set<std::string>& expected) {
  bool same = true;
  for (const auto& name : catalogue) {
    if (expected.count(name)) continue;
    std::fprintf(stderr, "quillon-notes: %s is not in the build's list of notes\n", name.c_str());
    same = false;
  }
  for (const auto& name : expected) {
    if (catalogue.count(name)) continue;
    std::fprintf(stderr, "quillon-notes: %s is in the build's list but no tuning has it\n",
                 name.c_str());
    same = false;
  }
  if (!same) std::fprintf(stderr, "quillon-notes: update the list in tools/notes.cmake\n");
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output directory> [sound name ...]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const std::set<std::string> expected(argv + 2, argv + argc);

  // Catalogue order, each name once (the guitar strings both guitar tunings
  // share, "D2p" of three open tunings): the seed is the name's place in that
  // walk, which keeps the first five tunings' twenty notes as they have
  // always been.
  struct Job {
    std::string name;
    SoundTimbre timbre;
    double frequency;
  };
  std::vector<Job> jobs;
  std::set<std::string> names;
  for (const auto& tuning : Tuning::definedTunings()) {
    for (const auto& note : tuning->tuningNotes) {
      if (!names.insert(note->soundName()).second) continue;
      jobs.push_back(
          {note->soundName(), notesynth::timbreForSoundName(note->soundName()), note->frequency()});
    }
  }
  if (!expected.empty() && !sameNames(names, expected)) return 1;

  uint32_t seed = 1;
  for (const Job& job : jobs) {
    const auto samples = notesynth::synthesize(job.timbre, job.frequency, seed++);
    if (samples.empty()) {
      std::fprintf(stderr, "quillon-notes: cannot make %s (%g Hz)\n", job.name.c_str(),
                   job.frequency);
      return 1;
    }
    if (!writeCaf(dir + "/" + job.name + ".caf", samples)) return 1;
  }
  return 0;
}
