#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/Application.h"
#include "platform/Control.h"
#include "platform/Font.h"

namespace platform {

// One line of editable UTF-8 text with a caret. A touch gives it the
// keyboard focus and puts the caret at the nearest character; while it has
// the focus, the application hands it typed text (insertText) and the
// editing keys (keyDown): Backspace and Delete erase a character, Left and
// Right move by one, Home and End to the ends. Other printable keys are
// taken too (their text comes separately), so that they type rather than act
// as shortcuts; everything else (Return, Tab, Escape, arrows up and down,
// Ctrl and Alt combinations) is left to the screen.
//
// One field at a time has the focus (main thread). Sends
// ControlEventEditingDidBegin when it gets the focus, ControlEventEditingChanged
// after each change of its text by the keyboard, and ControlEventEditingDidEnd
// when it loses the focus.
class TextField : public Control {
 public:
  explicit TextField(const Rect& frame = Rect{});
  ~TextField() override;

  const std::string& text() const { return text_; }
  // Replaces the text (no event) and puts the caret at its end.
  void setText(const std::string& text);
  const std::string& placeholder() const { return placeholder_; }
  void setPlaceholder(const std::string& placeholder) {
    placeholder_ = placeholder;
    setNeedsDisplay();
  }
  void setFont(std::shared_ptr<Font> font) {
    font_ = std::move(font);
    setNeedsDisplay();
  }
  void setTextAlignment(bool centred) {
    centred_ = centred;
    setNeedsDisplay();
  }
  // At most this many characters (code points) are kept; 0: no limit.
  void setMaximumLength(size_t characters) { maximumLength_ = characters; }

  // The caret, as a byte offset into the text, always at a character boundary.
  size_t caret() const { return caret_; }
  void setCaret(size_t offset);

  // The field with the focus, while it is in a window; null otherwise.
  static TextField* focusedField();
  bool isFirstResponder() const { return focusedField() == this; }
  void becomeFirstResponder();
  void resignFirstResponder();

  // Typed text at the caret: control characters are dropped, and what would
  // pass the maximum length.
  void insertText(std::string_view utf8);
  // Whether the key was the field's (see above).
  bool keyDown(Key key, unsigned modifiers);

  void drawRect(const Rect& rect) override;
  void touchesBegan(Point p) override;

 private:
  size_t previousBoundary(size_t offset) const;
  size_t nextBoundary(size_t offset) const;
  double textX() const;
  void changed();

  std::string text_;
  std::string placeholder_;
  std::shared_ptr<Font> font_;
  bool centred_ = false;
  size_t maximumLength_ = 0;
  size_t caret_ = 0;
};

}  // namespace platform
