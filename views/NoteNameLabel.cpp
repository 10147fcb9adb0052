#include "views/NoteNameLabel.h"

#include <algorithm>

#include "platform/GraphicsContext.h"

using platform::Font;
using platform::Point;
using platform::Rect;
using platform::RectMake;
using platform::Size;

namespace {

// The sign and the octave beside the letter, as parts of its size, and the
// space between the letter and their column.
constexpr double kSignScale = 0.5;
constexpr double kOctaveScale = 0.4;
constexpr double kGapScale = 0.03;

constexpr char kSharp[] = "\u266F";
constexpr char kFlat[] = "\u266D";

Rect offset(const Rect& r, Point by) {
  return RectMake(r.origin.x + by.x, r.origin.y + by.y, r.size.width, r.size.height);
}

}  // namespace

std::vector<NoteNameLabel::Piece> NoteNameLabel::layout(const std::string& text, const Font& font,
                                                        Size size) {
  std::vector<Piece> pieces;
  if (text.empty()) return pieces;
  // A note name is a letter A to G, then a music sign, if any, then the
  // octave's digits, if any. Anything else (a tuning's own name for a string,
  // such as a frequency) is one piece, shrunk to the width like the rest.
  std::string letter = text, sign, octave;
  if (text[0] >= 'A' && text[0] <= 'G') {
    std::string rest = text.substr(1);
    for (const char* s : {kSharp, kFlat}) {
      if (rest.rfind(s, 0) == 0) sign = s;
    }
    rest = rest.substr(sign.size());
    if (rest.find_first_not_of("0123456789") == std::string::npos) {
      letter = text.substr(0, 1);
      octave = rest;
    } else {
      sign.clear();
    }
  }

  // Set at the label's size, then shrunk as a whole to the label's width.
  double letterSize = font.pointSize();
  double width = 0;
  for (int pass = 0; pass < 2; ++pass) {
    auto letterFont = font.fontWithSize(letterSize);
    width = letterFont->sizeOfText(letter).width;
    if (!sign.empty() || !octave.empty()) {
      const double column =
          std::max(font.fontWithSize(letterSize * kSignScale)->sizeOfText(sign).width,
                   font.fontWithSize(letterSize * kOctaveScale)->sizeOfText(octave).width);
      width += letterSize * kGapScale + column;
    }
    if (pass == 0 && width > size.width && width > 0) letterSize *= size.width / width;
  }

  auto letterFont = font.fontWithSize(letterSize);
  double x = (size.width - width) * 0.5;
  const double baseline = (size.height - letterFont->lineHeight()) * 0.5 + letterFont->ascender();
  const Rect letterInk = letterFont->inkBoundsOfText(letter);
  pieces.push_back({letter, letterSize, {x, baseline}, offset(letterInk, {x, baseline})});
  x += letterFont->sizeOfText(letter).width + letterSize * kGapScale;
  if (!sign.empty()) {
    auto signFont = font.fontWithSize(letterSize * kSignScale);
    const Rect ink = signFont->inkBoundsOfText(sign);
    // The sign's top level with the letter's.
    const Point at{x, baseline + letterInk.origin.y - ink.origin.y};
    pieces.push_back({sign, signFont->pointSize(), at, offset(ink, at)});
  }
  if (!octave.empty()) {
    auto octaveFont = font.fontWithSize(letterSize * kOctaveScale);
    const Point at{x, baseline};
    pieces.push_back(
        {octave, octaveFont->pointSize(), at, offset(octaveFont->inkBoundsOfText(octave), at)});
  }
  return pieces;
}

void NoteNameLabel::drawRect(const Rect& rect) {
  platform::GraphicsContext* ctx = platform::GraphicsGetCurrentContext();
  if (!ctx || !font()) return;
  const Size size = bounds().size;
  if (laid_.text != text() || laid_.font != font().get() || laid_.size.width != size.width ||
      laid_.size.height != size.height) {
    laid_ = Laid{text(), font().get(), size, layout(text(), *font(), size), {}};
    for (const Piece& piece : laid_.pieces) {
      laid_.fonts.push_back(font()->fontWithSize(piece.pointSize));
    }
  }
  const auto& pieces = laid_.pieces;
  if (pieces.size() == 1 && pieces[0].pointSize == font()->pointSize()) {
    platform::Label::drawRect(rect);  // a plain letter, exactly as designed
    return;
  }
  const auto draw = [&](const platform::Color& color, Size shift) {
    ctx->setFillColor(color);
    for (size_t i = 0; i < pieces.size(); ++i) {
      laid_.fonts[i]->showText(*ctx, pieces[i].text, pieces[i].baseline.x + shift.width,
                               pieces[i].baseline.y + shift.height);
    }
  };
  if (!shadowColor().isClear()) draw(shadowColor(), shadowOffset());
  draw(textColor(), Size{0, 0});
}
