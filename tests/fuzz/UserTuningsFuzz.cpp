// Feeds arbitrary bytes to the tunings-file parser. Whatever it accepts must
// keep the file's rules (ids, note counts, ranges, distinct names and notes,
// lines in order) and must read back the same when written out again as a
// later editor of the file would write it: name, " = ", the notes. The
// editor's one-line changes to the same bytes keep every other tuning.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/UserTunings.h"
#include "common/UserTuningsEdit.h"

namespace {

void check(bool condition) {
  if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const UserTuningsText parsed = parseUserTunings(text);

  std::set<std::string> ids;
  std::set<int> lines;
  std::string written;
  for (const auto& entry : parsed.tunings) {
    const TuningDictionary& tuning = *entry.tuning;
    check(tuning.tuningId == userTuningId(tuning.tuningName));
    check(ids.insert(tuning.tuningId).second);
    check(lines.insert(entry.line).second && entry.line > 0);
    check(!tuning.tuningName.empty() && tuning.tuningName.find('=') == std::string::npos);
    check(!tuning.tuningNotes.empty() &&
          tuning.tuningNotes.size() <= static_cast<size_t>(kMaxUserTuningNotes));
    written += tuning.tuningName + " =";
    for (const auto& note : tuning.tuningNotes) {
      check(note->frequency() >= kLowestUserFundamental &&
            note->frequency() <= kHighestUserFundamental);
      check(note->pitch().has_value() && !note->soundName().empty());
      written += " " + userNoteText(*note);
    }
    written += "\n";
  }
  for (const auto& problem : parsed.problems) {
    check(lines.insert(problem.line).second && problem.line > 0);
    for (char c : problem.reason) check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
  }

  const UserTuningsText again = parseUserTunings(written);
  check(again.problems.empty() && again.tunings.size() == parsed.tunings.size());
  for (size_t i = 0; i < again.tunings.size(); ++i) {
    const TuningDictionary& a = *parsed.tunings[i].tuning;
    const TuningDictionary& b = *again.tunings[i].tuning;
    check(a.tuningId == b.tuningId && a.tuningNotes.size() == b.tuningNotes.size());
    for (size_t n = 0; n < a.tuningNotes.size(); ++n) {
      check(a.tuningNotes[n]->frequency() == b.tuningNotes[n]->frequency());
      check(a.tuningNotes[n]->soundName() == b.tuningNotes[n]->soundName());
    }
  }

  // Saving the first tuning as it is, and deleting it, leave the others.
  if (parsed.tunings.empty()) return 0;
  const TuningDictionary& first = *parsed.tunings.front().tuning;
  std::vector<TypedPitch> pitches;
  for (const auto& note : first.tuningNotes)
    pitches.push_back(*parsePitch(userNoteText(*note)).value);
  const auto keepsTheOthers = [&](const UserTuningsChange& change) {
    if (!change) return;
    const UserTuningsText after = parseUserTunings(change.text);
    for (size_t i = 1; i < parsed.tunings.size(); ++i) {
      bool found = false;
      for (const auto& entry : after.tunings)
        found = found || entry.tuning->tuningId == parsed.tunings[i].tuning->tuningId;
      check(found);
    }
  };
  const UserTuningsChange saved = saveUserTuning(text, first.tuningId, first.tuningName, pitches);
  check(static_cast<bool>(saved));
  keepsTheOthers(saved);
  const UserTuningsChange removed = deleteUserTuning(text, first.tuningId);
  check(removed && removed.text.size() < text.size());
  keepsTheOthers(removed);
  return 0;
}
