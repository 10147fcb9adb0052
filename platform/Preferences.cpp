#include "platform/Preferences.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Paths.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "quillon-preferences 1";
constexpr const char* kFileName = "preferences";

void appendEscaped(std::string& out, std::string_view text) {
  static const char hex[] = "0123456789abcdef";
  for (unsigned char c : text) {
    if (c == '\\' || c == '=') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7f) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xf];
    } else {
      out += static_cast<char>(c);
    }
  }
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads escaped text from `in` at `pos` up to an unescaped `stop` (or the
// end when stop is 0). Gives none on a bad escape, a raw control byte, or a
// missing stop character.
std::optional<std::string> readEscaped(std::string_view in, size_t& pos, char stop) {
  std::string out;
  while (pos < in.size()) {
    const unsigned char c = static_cast<unsigned char>(in[pos]);
    if (stop && c == static_cast<unsigned char>(stop)) return out;
    if (c < 0x20 || c == 0x7f) return std::nullopt;
    if (c == '=') return std::nullopt;  // must be escaped everywhere
    if (c != '\\') {
      out += static_cast<char>(c);
      ++pos;
      continue;
    }
    if (pos + 1 >= in.size()) return std::nullopt;
    const char e = in[pos + 1];
    if (e == '\\' || e == '=') {
      out += e;
      pos += 2;
    } else if (e == 'x' && pos + 3 < in.size() && hexDigit(in[pos + 2]) >= 0 &&
               hexDigit(in[pos + 3]) >= 0) {
      out += static_cast<char>(hexDigit(in[pos + 2]) * 16 + hexDigit(in[pos + 3]));
      pos += 4;
    } else {
      return std::nullopt;
    }
  }
  if (stop) return std::nullopt;
  return out;
}

std::optional<int64_t> parseInteger(std::string_view text) {
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (text[0] == '+') return std::nullopt;  // from_chars refuses it anyway; keep one spelling
  return value;
}

// Like a string's integer value: leading blanks, an optional sign, digits;
// 0 when there are none, saturated on overflow.
int64_t leadingInteger(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (negative) {
      if (value < (std::numeric_limits<int64_t>::min() + digit) / 10) {
        return std::numeric_limits<int64_t>::min();
      }
      value = value * 10 - digit;
    } else {
      if (value > (std::numeric_limits<int64_t>::max() - digit) / 10) {
        return std::numeric_limits<int64_t>::max();
      }
      value = value * 10 + digit;
    }
  }
  return value;
}

}  // namespace

Preferences& Preferences::standardUserDefaults() {
  static Preferences preferences(configDirectory());
  return preferences;
}

Preferences::Preferences(std::string directory)
    : directory_(std::move(directory)),
      path_(stringByAppendingPathComponent(directory_, kFileName)) {
  load();
}

void Preferences::registerDefaults(const Dictionary& defaults) {
  for (const auto& [key, value] : defaults) defaults_[key] = value;
}

void Preferences::setObjectForThisRun(const Value& value, const std::string& key) {
  thisRun_[key] = value;
}

const Preferences::Value* Preferences::lookup(const std::string& key) const {
  if (auto it = thisRun_.find(key); it != thisRun_.end()) return &it->second;
  if (auto it = stored_.find(key); it != stored_.end()) return &it->second;
  if (auto it = defaults_.find(key); it != defaults_.end()) return &it->second;
  return nullptr;
}

std::optional<std::string> Preferences::stringForKey(const std::string& key) const {
  const Value* value = lookup(key);
  if (!value) return std::nullopt;
  if (const auto* s = std::get_if<std::string>(value)) return *s;
  return std::to_string(std::get<int64_t>(*value));
}

int64_t Preferences::integerForKey(const std::string& key) const {
  const Value* value = lookup(key);
  if (!value) return 0;
  if (const auto* i = std::get_if<int64_t>(value)) return *i;
  return leadingInteger(std::get<std::string>(*value));
}

bool Preferences::setObject(const Value& value, const std::string& key) {
  // The user's own choice now outranks what the command line said.
  thisRun_.erase(key);
  // A continuous slider writes the same whole number many times over; only a
  // change (or a retry after a failed save) is worth a trip to the disk.
  if (auto it = stored_.find(key); it != stored_.end() && it->second == value && saved_) {
    return true;
  }
  stored_[key] = value;
  return saved_ = save();
}

std::optional<Preferences::Dictionary> Preferences::parse(std::string_view text) {
  Dictionary values;
  bool sawHeader = false;
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = text.size();
    std::string_view line = text.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;

    if (!sawHeader) {
      if (line != kHeader) return std::nullopt;
      sawHeader = true;
      continue;
    }
    if (line.empty()) continue;
    if (line.size() < 2 || (line[0] != 's' && line[0] != 'i') || line[1] != ' ') {
      return std::nullopt;
    }
    size_t pos = 2;
    auto key = readEscaped(line, pos, '=');
    if (!key) return std::nullopt;
    ++pos;  // the '='
    auto raw = readEscaped(line, pos, 0);
    if (!raw) return std::nullopt;
    if (line[0] == 's') {
      values[*key] = std::move(*raw);
    } else {
      auto number = parseInteger(*raw);
      if (!number) return std::nullopt;
      values[*key] = *number;
    }
  }
  if (!sawHeader) return std::nullopt;
  return values;
}

std::string Preferences::serialize(const Dictionary& values) {
  std::string out(kHeader);
  out += '\n';
  for (const auto& [key, value] : values) {
    const bool isString = std::holds_alternative<std::string>(value);
    out += isString ? "s " : "i ";
    appendEscaped(out, key);
    out += '=';
    if (isString) {
      appendEscaped(out, std::get<std::string>(value));
    } else {
      out += std::to_string(std::get<int64_t>(value));
    }
    out += '\n';
  }
  return out;
}

void Preferences::load() {
  stored_.clear();
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    // No file yet is the normal first run; anything else is worth a word.
    if (errno != ENOENT) {
      Log("Preferences: cannot read %s (%s); using defaults", path_.c_str(), strerror(errno));
    }
    return;
  }
  std::string text;
  char chunk[4096];
  bool failed = false;
  // A preferences file is a few lines; refuse to slurp something huge.
  constexpr size_t kMaxSize = 1 << 20;
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      failed = true;
      break;
    }
    if (n == 0) break;
    text.append(chunk, static_cast<size_t>(n));
    if (text.size() > kMaxSize) {
      failed = true;
      errno = EFBIG;
      break;
    }
  }
  const int readErrno = errno;
  ::close(fd);
  if (failed) {
    Log("Preferences: cannot read %s (%s); using defaults", path_.c_str(), strerror(readErrno));
    return;
  }
  auto values = parse(text);
  if (!values) {
    Log("Preferences: %s is damaged; using defaults", path_.c_str());
    return;
  }
  stored_ = std::move(*values);
}

bool Preferences::save() const {
  if (!makeDirectories(directory_)) {
    Log("Preferences: cannot create %s; preferences not saved", directory_.c_str());
    return false;
  }
  if (const std::string error = writeFileAtomically(path_, serialize(stored_)); !error.empty()) {
    Log("Preferences: cannot write %s (%s); preferences not saved", path_.c_str(), error.c_str());
    return false;
  }
  return true;
}

}  // namespace platform
