#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/NoteName.h"

// What the tuning editor does to the text of the user's tunings file
// (common/UserTunings.h). The file is the player's own: it may hold comments,
// blank lines, refused lines, CRLF line ends, a byte-order mark or no final
// newline, and all of that is kept. A change touches one line and leaves
// every other byte as it was.
//
// Lines are counted as the parser counts them: 1-based, split at '\n'.

// The line's tuning (its name, '=' and notes) replaced by `tuningLine`; what
// stands before it on the line (a byte-order mark, blanks), its comment and
// its line end stay.
std::string replaceUserTuningLine(std::string_view text, int line, std::string_view tuningLine);
// `tuningLine` as a new last line, ended as the file's lines are (CRLF when
// its first line is, else LF). A file without a final newline gets one
// before the new line and stays without one after it.
std::string appendUserTuningLine(std::string_view text, std::string_view tuningLine);
// The line, with its line end, taken out.
std::string removeUserTuningLine(std::string_view text, int line);

// The file's next text after saving or deleting a tuning, or why not.
struct UserTuningsChange {
  std::string text;      // the whole file as it is to be written
  std::string tuningId;  // the saved tuning's id ("user:Open C")
  std::string refusal;   // for the player: why nothing may be written; empty if fine

  explicit operator bool() const { return refusal.empty(); }
};

// Saves a tuning of this name and these strings (lowest first) into the
// file whose text is `text`, as read just now: in place of the line of the
// tuning `editedId` (none: a new tuning, a new last line). Refused, with a
// sentence for the screen: no name, a name the file cannot hold ('=', or a
// '#' that would start a comment), no strings, two strings on the same note
// (less than half a semitone apart), a name used by a built-in tuning or by
// another of the file's tunings (case aside), an edited tuning that is no
// longer in the file, and anything else the file's parser refuses (its
// reason).
UserTuningsChange saveUserTuning(std::string_view text, const std::optional<std::string>& editedId,
                                 std::string_view name, const std::vector<TypedPitch>& strings);

// Deletes the line of the tuning `tuningId`; refused when it is no longer in
// the file.
UserTuningsChange deleteUserTuning(std::string_view text, const std::string& tuningId);
