#include "common/UserTuningsEdit.h"

#include <cmath>

#include "common/UserTunings.h"

namespace {

struct LineSpan {
  size_t begin = 0;
  size_t end = 0;  // at the '\n' ending the line, or the end of the text
  bool found = false;
};

LineSpan lineSpan(std::string_view text, int line) {
  size_t begin = 0;
  for (int number = 1; begin < text.size(); ++number) {
    const size_t newline = text.find('\n', begin);
    const size_t end = newline == std::string_view::npos ? text.size() : newline;
    if (number == line) return {begin, end, true};
    if (newline == std::string_view::npos) break;
    begin = newline + 1;
  }
  return {};
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string quoted(std::string_view name) {
  return "\u201C" + std::string(name) + "\u201D";
}

const UserTuningsText::Entry* entryWithId(const UserTuningsText& parsed, const std::string& id) {
  for (const auto& entry : parsed.tunings) {
    if (entry.tuning->tuningId == id) return &entry;
  }
  return nullptr;
}

std::string nameOfId(const std::string& id) {
  const std::string_view prefix = UserTuningIdPrefix;
  return id.starts_with(prefix) ? id.substr(prefix.size()) : id;
}

std::string gone(const std::string& id) {
  return quoted(nameOfId(id)) +
         " is no longer in the tunings file (was it changed by hand?). Nothing was written.";
}

UserTuningsChange refused(std::string reason) {
  UserTuningsChange change;
  change.refusal = std::move(reason);
  return change;
}

// Why the name cannot stand before '=' on a line of the file; empty if it can.
std::string nameProblem(const std::string& name) {
  if (name.empty()) return "Give the tuning a name.";
  if (name.find('=') != std::string::npos) return "A name cannot hold \u201C=\u201D.";
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '#' && (i == 0 || isBlank(name[i - 1]))) {
      return "A \u201C#\u201D in a name must follow a letter or a digit, as in "
             "\u201COpen C#\u201D.";
    }
  }
  return {};
}

std::string stringsProblem(const std::vector<TypedPitch>& strings) {
  if (strings.empty()) return "A tuning needs at least one string.";
  for (size_t i = 0; i < strings.size(); ++i) {
    for (size_t j = i + 1; j < strings.size(); ++j) {
      const double cents = 1200.0 * std::log2(static_cast<double>(strings[i].frequency) /
                                              static_cast<double>(strings[j].frequency));
      if (std::fabs(cents) >= 50.0) continue;
      const std::string which =
          "Strings " + std::to_string(i + 1) + " and " + std::to_string(j + 1);
      if (strings[i].note && strings[j].note &&
          strings[i].note->semitone() == strings[j].note->semitone()) {
        return which + " are the same note (" + strings[i].note->display() +
               "): each string needs a note of its own.";
      }
      return which + " are less than half a semitone apart: the tuner could not tell them apart.";
    }
  }
  return {};
}

}  // namespace

std::string replaceUserTuningLine(std::string_view text, int line, std::string_view tuningLine) {
  const LineSpan span = lineSpan(text, line);
  if (!span.found) return std::string(text);
  const std::string_view raw = text.substr(span.begin, span.end - span.begin);
  // Before the tuning: a byte-order mark (line 1) and blanks.
  size_t from = raw.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (from < raw.size() && isBlank(raw[from])) ++from;
  // The tuning ends where its comment begins ('#' at the start or after a
  // blank), less the blanks and '\r' before that.
  size_t to = raw.size();
  for (size_t i = from; i < raw.size(); ++i) {
    if (raw[i] == '#' && (i == from || isBlank(raw[i - 1]))) {
      to = i;
      break;
    }
  }
  while (to > from && (isBlank(raw[to - 1]) || raw[to - 1] == '\r')) --to;
  std::string result(text.substr(0, span.begin + from));
  result += tuningLine;
  result += text.substr(span.begin + to);
  return result;
}

std::string appendUserTuningLine(std::string_view text, std::string_view tuningLine) {
  const size_t firstNewline = text.find('\n');
  const bool crlf =
      firstNewline != std::string_view::npos && firstNewline > 0 && text[firstNewline - 1] == '\r';
  const std::string_view lineEnd = crlf ? "\r\n" : "\n";
  std::string result(text);
  if (text.empty()) return result + std::string(tuningLine) + std::string(lineEnd);
  if (text.back() == '\n') return result + std::string(tuningLine) + std::string(lineEnd);
  return result + std::string(lineEnd) + std::string(tuningLine);
}

std::string removeUserTuningLine(std::string_view text, int line) {
  const LineSpan span = lineSpan(text, line);
  if (!span.found) return std::string(text);
  const size_t end = span.end < text.size() ? span.end + 1 : span.end;
  return std::string(text.substr(0, span.begin)) + std::string(text.substr(end));
}

UserTuningsChange saveUserTuning(std::string_view text, const std::optional<std::string>& editedId,
                                 std::string_view typedName,
                                 const std::vector<TypedPitch>& strings) {
  const std::string name = tidyUserTuningName(typedName);
  if (std::string problem = nameProblem(name); !problem.empty()) return refused(problem);
  if (std::string problem = stringsProblem(strings); !problem.empty()) return refused(problem);
  if (isBuiltInTuningName(name)) {
    return refused(quoted(name) + " is the name of a built-in tuning: choose another.");
  }

  const UserTuningsText parsed = parseUserTunings(text);
  const UserTuningsText::Entry* edited = nullptr;
  if (editedId) {
    edited = entryWithId(parsed, *editedId);
    if (!edited) {
      return refused(gone(*editedId));
    }
  }
  for (const auto& entry : parsed.tunings) {
    if (&entry != edited && sameUserTuningName(entry.tuning->tuningName, name)) {
      return refused("You already have a tuning called " + quoted(entry.tuning->tuningName) + ".");
    }
  }

  // Whatever else the file would refuse, the parser says, in its words.
  const std::string line = userTuningLine(name, strings);
  const UserTuningsText alone = parseUserTunings(line);
  if (!alone.problems.empty()) return refused("Not saved: " + alone.problems.front().reason + ".");

  UserTuningsChange change;
  change.tuningId = userTuningId(name);
  change.text =
      edited ? replaceUserTuningLine(text, edited->line, line) : appendUserTuningLine(text, line);
  // The file read back must give this very tuning on that line.
  const UserTuningsText after = parseUserTunings(change.text);
  const UserTuningsText::Entry* saved = entryWithId(after, change.tuningId);
  bool same = saved && saved->tuning->tuningNotes.size() == strings.size();
  if (same && edited) same = saved->line == edited->line;
  for (size_t i = 0; same && i < strings.size(); ++i) {
    same = userNoteText(*saved->tuning->tuningNotes[i]) == typedPitchText(strings[i]);
  }
  if (!same) return refused("Not saved: the tunings file would not read back this tuning.");
  return change;
}

UserTuningsChange deleteUserTuning(std::string_view text, const std::string& tuningId) {
  const UserTuningsText parsed = parseUserTunings(text);
  const UserTuningsText::Entry* entry = entryWithId(parsed, tuningId);
  if (!entry) {
    return refused(gone(tuningId));
  }
  UserTuningsChange change;
  change.tuningId = tuningId;
  change.text = removeUserTuningLine(text, entry->line);
  return change;
}
