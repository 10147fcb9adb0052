#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace platform {

// Per-user preferences: a small store of strings and integers by key.
//
// Registered defaults answer reads of keys that were never set and are never
// written to disk. Every write is saved at once, atomically: the whole store
// goes to a temporary file in the same directory, is flushed to disk and then
// renamed over "preferences", so a crash leaves either the old or the new file,
// never half of one. A file that cannot be read or parsed counts as empty (so
// reads see the defaults), with one warning in the log.
//
// File format (UTF-8 text, one entry per line):
//   quillon-preferences 1          first line, always
//   s <key>=<value>                a string
//   i <key>=<value>                a signed 64-bit decimal integer
// In keys and values, '\\' is written "\\\\", '=' "\\=", and any byte below
// 0x20 or equal to 0x7f as "\\xHH" (so newlines never split an entry). Blank
// lines are ignored; anything else makes the whole file damaged.
//
// Used from the main thread only.
class Preferences {
 public:
  using Value = std::variant<std::string, int64_t>;
  using Dictionary = std::map<std::string, Value>;

  // The user's store in configDirectory() (created on the first write).
  static Preferences& standardUserDefaults();

  // A store kept in `directory`/preferences (tests and tools).
  explicit Preferences(std::string directory);

  // Adds to the registered defaults (replacing equal keys). Not stored.
  void registerDefaults(const Dictionary& defaults);

  // The string under `key`: a stored or default string, an integer in
  // decimal, or none when the key has no value.
  std::optional<std::string> stringForKey(const std::string& key) const;
  // The integer under `key`: a stored or default integer, the leading decimal
  // number of a string (0 when it has none), or 0 when the key has no value.
  int64_t integerForKey(const std::string& key) const;

  // A value for this run only (a command-line setting): it answers reads of
  // `key` ahead of the stored value, and is never written. Storing a value
  // under the key drops it.
  void setObjectForThisRun(const Value& value, const std::string& key);

  // Store a value and save the store (unless it already holds that value). A
  // failed save is logged and the value is still kept for this run; the
  // return value says whether the file now holds it.
  bool setObject(const Value& value, const std::string& key);
  bool setString(const std::string& value, const std::string& key) {
    return setObject(Value(value), key);
  }
  bool setInteger(int64_t value, const std::string& key) { return setObject(Value(value), key); }

  // What is stored (without the defaults).
  const Dictionary& storedValues() const { return stored_; }

  // The file format above. parse() gives none for a damaged text.
  static std::optional<Dictionary> parse(std::string_view text);
  static std::string serialize(const Dictionary& values);

 private:
  const Value* lookup(const std::string& key) const;
  void load();
  bool save() const;

  std::string directory_;
  std::string path_;
  Dictionary stored_;
  Dictionary defaults_;
  Dictionary thisRun_;
  bool saved_ = true;  // the file holds stored_
};

}  // namespace platform
