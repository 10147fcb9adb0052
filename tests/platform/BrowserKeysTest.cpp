#include <gtest/gtest.h>

#include "platform/web/BrowserKeys.h"

using namespace platform;

namespace {

// The shortcuts the screens read (1-8, +/=, -, T, N, arrows, Return) must
// arrive as the desktop delivers them, whatever Shift or the number pad did
// to the browser's key value.
TEST(BrowserKeysTest, KeysArriveAsTheDesktopReportsThem) {
  EXPECT_EQ(Key::Return, keyForBrowserKey("Enter", "Enter"));
  EXPECT_EQ(Key::Return, keyForBrowserKey("Enter", "NumpadEnter"));
  EXPECT_EQ(Key::Left, keyForBrowserKey("ArrowLeft", "ArrowLeft"));
  EXPECT_EQ(Key::PageDown, keyForBrowserKey("PageDown", "PageDown"));
  EXPECT_EQ(Key::F12, keyForBrowserKey("F12", "F12"));
  // Shift changes the key value, not the key.
  EXPECT_EQ(keyForCharacter('t'), keyForBrowserKey("T", "KeyT"));
  EXPECT_EQ(keyForCharacter('='), keyForBrowserKey("+", "Equal"));
  EXPECT_EQ(keyForCharacter('1'), keyForBrowserKey("!", "Digit1"));
  // The number pad's keys are the keys they stand for.
  EXPECT_EQ(keyForCharacter('7'), keyForBrowserKey("7", "Numpad7"));
  EXPECT_EQ(Key::Home, keyForBrowserKey("Home", "Numpad7"));  // Num Lock off
  EXPECT_EQ(keyForCharacter('+'), keyForBrowserKey("+", "NumpadAdd"));
  EXPECT_EQ(keyForCharacter('-'), keyForBrowserKey("-", "NumpadSubtract"));
  // A letter of another layout is its own character, as SDL gives it.
  EXPECT_EQ(static_cast<Key>(0x0444), keyForBrowserKey("\xD1\x84", "KeyA"));
  // Modifiers, dead keys and keys the app has no value for.
  for (const char* name : {"Shift", "Control", "Dead", "Unidentified", "F13", "CapsLock"}) {
    EXPECT_EQ(Key::Unknown, keyForBrowserKey(name, "")) << name;
  }
}

TEST(BrowserKeysTest, OnlyCharactersTypeText) {
  EXPECT_EQ("a", textForBrowserKey("a"));
  EXPECT_EQ("#", textForBrowserKey("#"));
  EXPECT_EQ(" ", textForBrowserKey(" "));
  EXPECT_EQ("\xE2\x99\xAF", textForBrowserKey("\xE2\x99\xAF"));  // ♯, one character
  for (const char* name : {"Enter", "Tab", "Backspace", "Dead", "Shift", "", "\x7F", "\xE2\x99"}) {
    EXPECT_EQ("", textForBrowserKey(name)) << name;
  }
}

}  // namespace
