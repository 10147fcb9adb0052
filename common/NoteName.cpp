#include "common/NoteName.h"

#include <charconv>
#include <cmath>

namespace {

// Semitones above C of each letter, A to G.
constexpr int kLetterOffset[7] = {9, 11, 0, 2, 4, 5, 7};

constexpr char kSharpSign[] = "\u266F";  // ♯
constexpr char kFlatSign[] = "\u266D";   // ♭

constexpr const char* kSharpNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                         "F#", "G",  "G#", "A",  "A#", "B"};
constexpr const char* kFlatNames[12] = {"C",  "Db", "D",  "Eb", "E",  "F",
                                        "Gb", "G",  "Ab", "A",  "Bb", "B"};

int floorDiv(int a, int b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

// The accidental at the start of `rest` and its length in bytes, or 0 bytes.
std::pair<NoteName::Accidental, size_t> accidentalAt(std::string_view rest) {
  if (rest.starts_with('#')) return {NoteName::Accidental::Sharp, 1};
  if (rest.starts_with(kSharpSign)) return {NoteName::Accidental::Sharp, sizeof kSharpSign - 1};
  if (rest.starts_with('b')) return {NoteName::Accidental::Flat, 1};
  if (rest.starts_with(kFlatSign)) return {NoteName::Accidental::Flat, sizeof kFlatSign - 1};
  return {NoteName::Accidental::Natural, 0};
}

template <class T>
Parsed<T> refused(std::string reason) {
  return Parsed<T>{std::nullopt, std::move(reason)};
}

Parsed<NoteName> noteFrom(std::string_view text) {
  const char letter = upper(text.front());
  if (letter < 'A' || letter > 'G') {
    return refused<NoteName>(quoted(text) + " is not a note: a note starts with a letter A to G");
  }
  std::string_view rest = text.substr(1);
  const auto [accidental, length] = accidentalAt(rest);
  rest.remove_prefix(length);
  if (length > 0 && accidentalAt(rest).second > 0) {
    return refused<NoteName>(quoted(text) + " has more than one sharp or flat");
  }
  if (rest.empty()) return refused<NoteName>(quoted(text) + " has no octave (0 to 9)");
  if (rest.front() == '-' || (isDigit(rest.front()) && rest.size() > 1 && isDigit(rest[1]))) {
    return refused<NoteName>(quoted(text) + " has an octave outside 0 to 9");
  }
  if (!isDigit(rest.front())) {
    return refused<NoteName>(quoted(text) +
                             " is not a note: after the letter come an optional #, \u266F, b or "
                             "\u266D and an octave 0 to 9");
  }
  if (rest.size() > 1) {
    return refused<NoteName>(quoted(text) + " has something after its octave");
  }
  return Parsed<NoteName>{NoteName(letter, accidental, rest.front() - '0'), {}};
}

Parsed<TypedPitch> frequencyFrom(std::string_view text) {
  // A decimal number: digits, optionally a point and more digits.
  size_t end = 0;
  while (end < text.size() && isDigit(text[end])) ++end;
  if (end > 0 && end < text.size() && text[end] == '.') {
    ++end;
    while (end < text.size() && isDigit(text[end])) ++end;
  }
  const std::string_view number = text.substr(0, end);
  std::string_view unit = text.substr(end);
  if (number.empty() || number.back() == '.' || (!unit.empty() && unit.front() == '.')) {
    return refused<TypedPitch>(quoted(text) + " is not a frequency: write it like 98.5Hz");
  }
  if (!unit.empty() && unit.front() == ',') {
    return refused<TypedPitch>(quoted(text) + " is not a frequency: use a decimal point");
  }
  unit = trimmed(unit);
  if (unit.empty()) return refused<TypedPitch>(quoted(text) + " needs its unit, e.g. 98.5Hz");
  if (unit.size() != 2 || upper(unit[0]) != 'H' || upper(unit[1]) != 'Z') {
    return refused<TypedPitch>(quoted(text) + " is not a frequency: the unit must be Hz");
  }
  double value = 0;
  const auto [ptr, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  const float frequency = static_cast<float>(value);
  if (error != std::errc() || ptr != number.data() + number.size() || !std::isfinite(frequency)) {
    return refused<TypedPitch>(quoted(text) + " is too large a frequency");
  }
  if (!(frequency > 0.0f)) {
    return refused<TypedPitch>(quoted(text) + ": the frequency must be above 0 Hz");
  }
  return Parsed<TypedPitch>{TypedPitch{std::nullopt, frequency}, {}};
}

bool isBareNumber(std::string_view token) {
  if (token.empty() || !isDigit(token.front())) return false;
  for (char c : token) {
    if (!isDigit(c) && c != '.') return false;
  }
  return true;
}

bool isLoneUnit(std::string_view token) {
  return token.size() == 2 && upper(token[0]) == 'H' && upper(token[1]) == 'Z';
}

}  // namespace

double equalTemperedFrequency(int semitone) {
  return NoteName::kA4Frequency *
         std::exp2(static_cast<double>(semitone - NoteName::kA4Semitone) / 12.0);
}

NoteName NoteName::fromSemitone(int semitone, Accidental spelling) {
  const int octave = floorDiv(semitone, 12) - 1;
  const int inOctave = semitone - (octave + 1) * 12;
  const char* name = spelling == Accidental::Flat ? kFlatNames[inOctave] : kSharpNames[inOctave];
  const Accidental accidental = name[1] == '#'
                                    ? Accidental::Sharp
                                    : (name[1] == 'b' ? Accidental::Flat : Accidental::Natural);
  return NoteName(name[0], accidental, octave);
}

std::optional<NoteName> NoteName::nearest(double frequency, Accidental spelling) {
  if (!(frequency > 0.0) || !std::isfinite(frequency)) return std::nullopt;
  const double semitones = kA4Semitone + 12.0 * std::log2(frequency / kA4Frequency);
  // Far beyond anything audible the octave number would overflow an int.
  if (std::fabs(semitones) > 1.0e6) return std::nullopt;
  return fromSemitone(static_cast<int>(std::lround(semitones)), spelling);
}

int NoteName::semitone() const {
  return (octave_ + 1) * 12 + kLetterOffset[letter_ - 'A'] + static_cast<int>(accidental_);
}

float NoteName::frequency() const {
  return static_cast<float>(equalTemperedFrequency(semitone()));
}

std::string NoteName::ascii() const {
  std::string text(1, letter_);
  if (accidental_ == Accidental::Sharp) text += '#';
  if (accidental_ == Accidental::Flat) text += 'b';
  return text + std::to_string(octave_);
}

std::string NoteName::displayLetter() const {
  std::string text(1, letter_);
  if (accidental_ == Accidental::Sharp) text += kSharpSign;
  if (accidental_ == Accidental::Flat) text += kFlatSign;
  return text;
}

std::string NoteName::display() const {
  return displayLetter() + std::to_string(octave_);
}

Parsed<TypedPitch> parsePitch(std::string_view text) {
  text = trimmed(text);
  if (text.empty()) return refused<TypedPitch>("empty note");
  if (isDigit(text.front()) || text.front() == '.') return frequencyFrom(text);
  auto note = noteFrom(text);
  if (!note) return refused<TypedPitch>(std::move(note.reason));
  return Parsed<TypedPitch>{TypedPitch{note.value, note.value->frequency()}, {}};
}

Parsed<NoteName> parseNoteName(std::string_view text) {
  text = trimmed(text);
  if (text.empty()) return refused<NoteName>("empty note");
  if (isDigit(text.front()) || text.front() == '.') {
    return refused<NoteName>(quoted(text) + " is not a note name");
  }
  return noteFrom(text);
}

Parsed<std::vector<TypedPitch>> parsePitchList(std::string_view text) {
  std::vector<std::string_view> tokens;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isBlank(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !isBlank(text[i])) ++i;
    if (i > start) tokens.push_back(text.substr(start, i - start));
  }
  std::vector<TypedPitch> pitches;
  for (size_t t = 0; t < tokens.size(); ++t) {
    std::string_view token = tokens[t];
    if (t + 1 < tokens.size() && isBareNumber(token) && isLoneUnit(tokens[t + 1])) {
      // "98.5 Hz": the number and its unit, with the blanks between them.
      const char* begin = token.data();
      const char* end = tokens[t + 1].data() + tokens[t + 1].size();
      token = std::string_view(begin, static_cast<size_t>(end - begin));
      ++t;
    }
    auto pitch = parsePitch(token);
    if (!pitch) return refused<std::vector<TypedPitch>>(std::move(pitch.reason));
    pitches.push_back(*pitch.value);
  }
  return Parsed<std::vector<TypedPitch>>{std::move(pitches), {}};
}
