#include "platform/web/BrowserKeys.h"

#include <cstdint>

namespace platform {

namespace {

// The one code point `text` holds, or none (empty, several, a key name).
char32_t singleCharacter(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(0);
  const size_t length = lead < 0x80    ? 1
                        : lead >= 0xF0 ? 4
                        : lead >= 0xE0 ? 3
                        : lead >= 0xC0 ? 2
                                       : 0;
  if (length == 0 || text.size() != length) return 0;
  if (length == 1) return lead;
  char32_t c = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(k) & 0x3F);
  }
  return c;
}

Key fromCharacter(char32_t c) {
  if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
  return static_cast<Key>(static_cast<int32_t>(c));
}

}  // namespace

Key keyForBrowserKey(std::string_view key, std::string_view code) {
  static constexpr struct {
    std::string_view name;
    Key key;
  } named[] = {{"Backspace", Key::Backspace}, {"Tab", Key::Tab},       {"Enter", Key::Return},
               {"Escape", Key::Escape},       {"Delete", Key::Delete}, {"ArrowLeft", Key::Left},
               {"ArrowRight", Key::Right},    {"ArrowUp", Key::Up},    {"ArrowDown", Key::Down},
               {"Home", Key::Home},           {"End", Key::End},       {"PageUp", Key::PageUp},
               {"PageDown", Key::PageDown}};
  for (const auto& n : named) {
    if (key == n.name) return n.key;
  }
  if (key.size() >= 2 && key.size() <= 3 && key[0] == 'F') {
    int f = 0;
    for (char c : key.substr(1)) f = c >= '0' && c <= '9' ? 10 * f + (c - '0') : -1;
    if (f >= 1 && f <= 12) return static_cast<Key>(static_cast<int32_t>(Key::F1) + f - 1);
  }
  if (code.substr(0, 6) == "Numpad") {
    const std::string_view rest = code.substr(6);
    if (rest.size() == 1 && rest[0] >= '0' && rest[0] <= '9') return keyForCharacter(rest[0]);
    static constexpr struct {
      std::string_view name;
      char c;
    } pad[] = {{"Add", '+'},    {"Subtract", '-'}, {"Multiply", '*'},
               {"Divide", '/'}, {"Decimal", '.'},  {"Comma", ','}};
    if (rest == "Enter") return Key::Return;
    for (const auto& p : pad) {
      if (rest == p.name) return keyForCharacter(p.c);
    }
  }
  if (code.size() == 6 && code.substr(0, 5) == "Digit") return keyForCharacter(code[5]);
  static constexpr struct {
    std::string_view code;
    char c;
  } places[] = {{"Minus", '-'},      {"Equal", '='},       {"Comma", ','},
                {"Period", '.'},     {"Slash", '/'},       {"Semicolon", ';'},
                {"Quote", '\''},     {"BracketLeft", '['}, {"BracketRight", ']'},
                {"Backslash", '\\'}, {"Backquote", '`'},   {"Space", ' '}};
  for (const auto& p : places) {
    if (code == p.code) return keyForCharacter(p.c);
  }
  const char32_t c = singleCharacter(key);
  return c >= 0x20 && c != 0x7F ? fromCharacter(c) : Key::Unknown;
}

std::string textForBrowserKey(std::string_view key) {
  const char32_t c = singleCharacter(key);
  return c >= 0x20 && c != 0x7F ? std::string(key) : std::string();
}

}  // namespace platform
