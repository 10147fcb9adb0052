#include "common/UserTunings.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "common/NoteName.h"
#include "common/TuningCatalogue.h"
#include "platform/Log.h"

namespace {

// A tunings file holds a few lines; anything this large was not written by
// hand (or is not a tunings file at all).
constexpr size_t kMaxFileBytes = 1 << 20;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (isBlank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (isBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
size_t utf8Length(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

bool isControl(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

// The text as it may go into a log line or a terminal: control bytes and
// bytes that are not UTF-8 become \xHH.
std::string printable(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const size_t length = utf8Length(text);
    if (length == 0 || isControl(static_cast<unsigned char>(text.front()))) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text.front()));
      out += escaped;
      text.remove_prefix(1);
    } else {
      out.append(text.substr(0, length));
      text.remove_prefix(length);
    }
  }
  return out;
}

bool isUtf8(std::string_view text) {
  while (!text.empty()) {
    const size_t length = utf8Length(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

// The line without its comment: from a '#' at its start or after a blank.
std::string_view withoutComment(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '#' && (i == 0 || isBlank(line[i - 1]))) return line.substr(0, i);
  }
  return line;
}

// Some editors start a file with U+FEFF.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Blanks at the ends dropped, runs of blanks inside made one space.
std::string tidyName(std::string_view text) {
  std::string name;
  bool blank = false;
  for (char c : trimmed(text)) {
    if (isBlank(c)) {
      blank = true;
      continue;
    }
    if (blank) name += ' ';
    blank = false;
    name += c;
  }
  return name;
}

// Names compare without the case of ASCII letters.
std::string nameKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

const std::set<std::string>& builtInNameKeys() {
  static const std::set<std::string> keys = [] {
    std::set<std::string> names;
    for (const auto& tuning : makeBuiltInTunings()) names.insert(nameKey(tuning->tuningName));
    return names;
  }();
  return keys;
}

std::string pitchText(const TypedPitch& pitch) {
  if (pitch.note) return "'" + pitch.note->ascii() + "'";
  char text[48];
  std::snprintf(text, sizeof text, "'%gHz'", static_cast<double>(pitch.frequency));
  return text;
}

// The shortest text that reads back as the same float. Typed frequencies
// are read through a double, which can round a text on the float's very
// edge to its neighbour; the double's own shortest text never does.
std::string frequencyText(float frequency) {
  char text[40];
  char* end = std::to_chars(text, text + sizeof text, frequency).ptr;
  double readBack = 0;
  std::from_chars(text, end, readBack);
  if (static_cast<float>(readBack) != frequency) {
    end = std::to_chars(text, text + sizeof text, static_cast<double>(frequency)).ptr;
  }
  return std::string(text, end) + "Hz";
}

std::shared_ptr<const TargetNote> makeUserNote(const TypedPitch& pitch) {
  if (pitch.note) return makeCatalogueNote(*pitch.note, 'x');
  // Named, pictured and coloured like the nearest note; sounded as typed.
  const NoteName nearest = *NoteName::nearest(pitch.frequency);
  const auto named = makeCatalogueNote(nearest, 'x');
  const long centihertz = std::lround(static_cast<double>(pitch.frequency) * 100.0);
  return TargetNote::initWithName(named->name(), named->imageName(),
                                  "f" + std::to_string(centihertz) + "x", pitch.frequency, nearest);
}

// Why the notes of one line cannot make a tuning; empty when they can.
std::string notesProblem(const std::vector<TypedPitch>& pitches) {
  if (pitches.empty()) return "no notes after '='";
  if (pitches.size() > static_cast<size_t>(kMaxUserTuningNotes)) {
    return std::to_string(pitches.size()) + " notes: a tuning has at most " +
           std::to_string(kMaxUserTuningNotes);
  }
  for (const TypedPitch& pitch : pitches) {
    const bool low = pitch.frequency < kLowestUserFundamental;
    if (low || pitch.frequency > kHighestUserFundamental) {
      char text[96];
      std::snprintf(text, sizeof text, " (%.2f Hz) is %s %g Hz",
                    static_cast<double>(pitch.frequency), low ? "below" : "above",
                    static_cast<double>(low ? kLowestUserFundamental : kHighestUserFundamental));
      return pitchText(pitch) + text;
    }
  }
  for (size_t i = 0; i < pitches.size(); ++i) {
    for (size_t j = i + 1; j < pitches.size(); ++j) {
      const double cents =
          1200.0 * std::log2(static_cast<double>(pitches[i].frequency) / pitches[j].frequency);
      if (std::fabs(cents) < 50.0) {
        return pitchText(pitches[i]) + " and " + pitchText(pitches[j]) +
               " are the same note (less than half a semitone apart)";
      }
    }
  }
  return {};
}

}  // namespace

std::string userTuningId(std::string_view name) {
  return UserTuningIdPrefix + std::string(name);
}

std::vector<std::shared_ptr<const TuningDictionary>> UserTuningsText::tuningList() const {
  std::vector<std::shared_ptr<const TuningDictionary>> list;
  for (const Entry& entry : tunings) list.push_back(entry.tuning);
  return list;
}

UserTuningsText parseUserTunings(std::string_view text) {
  UserTuningsText result;
  std::map<std::string, int> lineOfName;
  int number = 0;
  while (!text.empty()) {
    ++number;
    const size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    // A byte-order mark before a comment or a name.
    if (raw.starts_with(kByteOrderMark)) raw.remove_prefix(kByteOrderMark.size());
    const std::string_view line = trimmed(withoutComment(raw));
    if (line.empty()) continue;

    const auto refuse = [&](const std::string& reason) {
      result.problems.push_back({number, printable(reason)});
    };
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      refuse("no '=' between the name and the notes: write a tuning as Name = E2 A2 D3 G3");
      continue;
    }
    if (!isUtf8(line.substr(0, equals))) {
      refuse("the name is not UTF-8 text");
      continue;
    }
    const std::string name = tidyName(line.substr(0, equals));
    if (name.empty()) {
      refuse("no name before '='");
      continue;
    }
    const std::string quotedName = "\"" + name + "\": ";
    // Invisible, and a name that held one would not read back the same
    // from the start of a line, where it is skipped as a byte-order mark.
    if (name.find(kByteOrderMark) != std::string::npos) {
      refuse(quotedName + "the name holds an invisible U+FEFF (byte-order mark)");
      continue;
    }
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return isControl(static_cast<unsigned char>(c)); })) {
      refuse(quotedName + "the name holds a control character");
      continue;
    }
    const std::string key = nameKey(name);
    if (builtInNameKeys().count(key)) {
      refuse(quotedName + "a built-in tuning has this name");
      continue;
    }
    if (const auto earlier = lineOfName.find(key); earlier != lineOfName.end()) {
      refuse(quotedName + "the name is already used on line " + std::to_string(earlier->second));
      continue;
    }
    const auto pitches = parsePitchList(line.substr(equals + 1));
    if (!pitches) {
      refuse(quotedName + pitches.reason);
      continue;
    }
    if (const std::string problem = notesProblem(*pitches.value); !problem.empty()) {
      refuse(quotedName + problem);
      continue;
    }

    std::vector<std::shared_ptr<const TargetNote>> notes;
    for (const TypedPitch& pitch : *pitches.value) notes.push_back(makeUserNote(pitch));
    lineOfName.emplace(key, number);
    result.tunings.push_back(
        {number, std::make_shared<const TuningDictionary>(TuningDictionary{
                     userTuningId(name), name, std::move(notes), UserTuningsGroup})});
  }
  return result;
}

UserTuningsFile readUserTuningsFile(const std::string& path) {
  UserTuningsFile file;
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) {
    file.exists = errno != ENOENT;
    if (file.exists) file.error = std::strerror(errno);
    return file;
  }
  file.exists = true;
  std::string text(kMaxFileBytes + 1, '\0');
  const size_t length = std::fread(text.data(), 1, text.size(), in);
  const bool failed = std::ferror(in);
  const int error = errno;
  std::fclose(in);
  if (failed) {
    file.error = std::strerror(error);
  } else if (length > kMaxFileBytes) {
    file.error = "larger than 1 MiB, not a tunings file";
  } else {
    text.resize(length);
    file.text = parseUserTunings(text);
    file.contents = std::move(text);
  }
  return file;
}

std::string userNoteText(const TargetNote& note) {
  const std::string& sound = note.soundName();
  const bool typedAsFrequency =
      sound.size() > 2 && sound.front() == 'f' && sound.back() == 'x' &&
      std::all_of(sound.begin() + 1, sound.end() - 1, [](char c) { return c >= '0' && c <= '9'; });
  return typedAsFrequency ? frequencyText(note.frequency()) : note.pitchName();
}

std::shared_ptr<const TargetNote> userTuningNote(const TypedPitch& pitch) {
  return makeUserNote(pitch);
}

std::string typedPitchText(const TypedPitch& pitch) {
  return pitch.note ? pitch.note->ascii() : frequencyText(pitch.frequency);
}

std::string userTuningLine(std::string_view name, const std::vector<TypedPitch>& pitches) {
  std::string line = tidyName(name) + " =";
  for (const TypedPitch& pitch : pitches) line += " " + typedPitchText(pitch);
  return line;
}

std::string tidyUserTuningName(std::string_view name) {
  return tidyName(name);
}

bool sameUserTuningName(std::string_view a, std::string_view b) {
  return nameKey(tidyName(a)) == nameKey(tidyName(b));
}

bool isBuiltInTuningName(std::string_view name) {
  return builtInNameKeys().count(nameKey(tidyName(name))) != 0;
}

std::string describeProblem(const std::string& path, const UserTuningsText::Problem& problem) {
  return path + ":" + std::to_string(problem.line) + ": " + problem.reason + "; line skipped";
}

std::vector<std::shared_ptr<const TuningDictionary>> loadUserTunings(const std::string& path) {
  const UserTuningsFile file = readUserTuningsFile(path);
  if (!file.error.empty()) {
    platform::Log("Cannot read the tunings file %s: %s", path.c_str(), file.error.c_str());
  }
  for (const auto& problem : file.text.problems) {
    platform::Log("%s", describeProblem(path, problem).c_str());
  }
  return file.text.tuningList();
}
