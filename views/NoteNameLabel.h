#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Label.h"

// The tuner screen's big note name: "E", "E♭", "C♯3". A plain letter is drawn
// as any label draws its text. A sign or an octave stands beside the letter,
// smaller and stacked in one column: the sign raised to the top of the
// letter, the octave on its baseline. When the whole is wider than the label
// it shrinks, letter and all, until it fits.
class NoteNameLabel : public platform::Label {
 public:
  using platform::Label::Label;

  // One piece of a name as set in the label's own coordinates.
  struct Piece {
    std::string text;
    double pointSize = 0;
    platform::Point baseline;  // where the text's baseline starts
    platform::Rect ink;        // the glyphs' ink
  };
  // How `text` is set in a label of `size` drawn in `font`: the letter first,
  // then the sign and the octave when there are any.
  static std::vector<Piece> layout(const std::string& text, const platform::Font& font,
                                   platform::Size size);

  void drawRect(const platform::Rect& rect) override;

 private:
  // The last layout, kept while the text, font and size stay: the label is
  // drawn again on every frame the needle moves across it.
  struct Laid {
    std::string text;
    const platform::Font* font = nullptr;
    platform::Size size;
    std::vector<Piece> pieces;
    std::vector<std::shared_ptr<platform::Font>> fonts;
  };
  Laid laid_;
};
