#include "platform/TextField.h"

#include <algorithm>
#include <cmath>

#include "platform/GraphicsContext.h"

namespace platform {

namespace {

// The one field with the keyboard focus. Cleared by the field itself when it
// resigns or goes away, so it never points at a dead field.
TextField* focused = nullptr;

constexpr double kInset = 8.0;
const Color kFieldFill{0.10, 0.10, 0.11, 1};
const Color kFieldEdge{0.40, 0.41, 0.45, 1};
const Color kFocusEdge{0.98, 0.70, 0.25, 1};
const Color kTextColor{0.95, 0.95, 0.96, 1};
const Color kPlaceholderColor{0.50, 0.51, 0.55, 1};

bool isContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

size_t characterCount(std::string_view text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return !isContinuation(c); }));
}

}  // namespace

TextField::TextField(const Rect& frame) : Control(frame), font_(Font::systemFontOfSize(17)) {}

TextField::~TextField() {
  if (focused == this) focused = nullptr;
}

void TextField::setText(const std::string& text) {
  text_ = text;
  caret_ = text_.size();
  setNeedsDisplay();
}

void TextField::setCaret(size_t offset) {
  offset = std::min(offset, text_.size());
  while (offset > 0 && offset < text_.size() && isContinuation(text_[offset])) --offset;
  caret_ = offset;
  setNeedsDisplay();
}

TextField* TextField::focusedField() {
  return focused;
}

void TextField::becomeFirstResponder() {
  if (focused == this) return;
  if (focused) focused->resignFirstResponder();
  focused = this;
  setNeedsDisplay();
  sendActionsForControlEvents(ControlEventEditingDidBegin);
}

void TextField::resignFirstResponder() {
  if (focused != this) return;
  focused = nullptr;
  setNeedsDisplay();
  sendActionsForControlEvents(ControlEventEditingDidEnd);
}

size_t TextField::previousBoundary(size_t offset) const {
  if (offset == 0) return 0;
  --offset;
  while (offset > 0 && isContinuation(text_[offset])) --offset;
  return offset;
}

size_t TextField::nextBoundary(size_t offset) const {
  if (offset >= text_.size()) return text_.size();
  ++offset;
  while (offset < text_.size() && isContinuation(text_[offset])) ++offset;
  return offset;
}

void TextField::changed() {
  setNeedsDisplay();
  sendActionsForControlEvents(ControlEventEditingChanged);
}

void TextField::insertText(std::string_view utf8) {
  std::string kept;
  size_t room = maximumLength_ ? maximumLength_ - std::min(maximumLength_, characterCount(text_))
                               : utf8.size();
  for (size_t i = 0; i < utf8.size();) {
    size_t end = i + 1;
    while (end < utf8.size() && isContinuation(utf8[end])) ++end;
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    // One line: no newlines, tabs or other control characters.
    if (lead >= 0x20 && lead != 0x7F) {
      if (room == 0) break;
      kept.append(utf8.substr(i, end - i));
      --room;
    }
    i = end;
  }
  if (kept.empty()) return;
  text_.insert(caret_, kept);
  caret_ += kept.size();
  changed();
}

bool TextField::keyDown(Key key, unsigned modifiers) {
  if (modifiers & (KeyModifierControl | KeyModifierAlt | KeyModifierSuper)) return false;
  switch (key) {
    case Key::Backspace:
      if (caret_ > 0) {
        const size_t from = previousBoundary(caret_);
        text_.erase(from, caret_ - from);
        caret_ = from;
        changed();
      }
      return true;
    case Key::Delete:
      if (caret_ < text_.size()) {
        text_.erase(caret_, nextBoundary(caret_) - caret_);
        changed();
      }
      return true;
    case Key::Left:
      setCaret(previousBoundary(caret_));
      return true;
    case Key::Right:
      setCaret(nextBoundary(caret_));
      return true;
    case Key::Home:
      setCaret(0);
      return true;
    case Key::End:
      setCaret(text_.size());
      return true;
    default:
      break;
  }
  // Character keys (any layout's): their text arrives through insertText.
  const auto k = static_cast<int32_t>(key);
  return k >= 32 && k != 127 && k < static_cast<int32_t>(Key::Left);
}

// Where the text starts: scrolled left when it is wider than the field, so
// that the caret stays in sight.
double TextField::textX() const {
  const double width = bounds().size.width - 2 * kInset;
  const double full = sizeWithFont(text_, font_).width;
  if (centred_ && full <= width) return (bounds().size.width - full) / 2;
  const double toCaret = sizeWithFont(std::string_view(text_).substr(0, caret_), font_).width;
  return kInset - std::max(0.0, toCaret - width);
}

void TextField::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsGetCurrentContext();
  if (!ctx || !font_) return;
  const Rect b = bounds();
  ctx->saveGState();
  ctx->beginPath();
  ctx->addRoundedRect(insetRect(b, EdgeInsets{0.5, 0.5, 0.5, 0.5}), 6, 6);
  ctx->setFillColor(kFieldFill);
  ctx->setStrokeColor(isFirstResponder() ? kFocusEdge : kFieldEdge);
  ctx->setLineWidth(isFirstResponder() ? 2 : 1);
  ctx->drawPath(PathDrawingMode::FillStroke);
  ctx->clipToRect(RectMake(2, 0, b.size.width - 4, b.size.height));
  const double y = (b.size.height - font_->lineHeight()) / 2;
  const double x = textX();
  if (text_.empty() && !placeholder_.empty()) {
    ctx->setFillColor(kPlaceholderColor);
    drawAtPoint(placeholder_, Point{kInset, y}, font_);
  } else {
    ctx->setFillColor(kTextColor);
    drawAtPoint(text_, Point{x, y}, font_);
  }
  if (isFirstResponder()) {
    const double caretX =
        std::round(x + sizeWithFont(std::string_view(text_).substr(0, caret_), font_).width);
    ctx->setFillColor(kFocusEdge);
    ctx->fillRect(RectMake(caretX, y - 1, 2, font_->lineHeight() + 2));
  }
  ctx->restoreGState();
}

void TextField::touchesBegan(Point p) {
  becomeFirstResponder();
  // The caret goes to the character boundary nearest the touch.
  const double x = textX();
  size_t best = 0;
  double bestDistance = std::abs(p.x - x);
  for (size_t offset = nextBoundary(0); offset <= text_.size() && offset > best;
       offset = nextBoundary(offset)) {
    const double at = x + sizeWithFont(std::string_view(text_).substr(0, offset), font_).width;
    if (std::abs(p.x - at) < bestDistance) {
      bestDistance = std::abs(p.x - at);
      best = offset;
    } else {
      break;
    }
    if (offset == text_.size()) break;
  }
  setCaret(best);
  Control::touchesBegan(p);
}

}  // namespace platform
