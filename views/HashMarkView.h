#pragma once

#include <array>
#include <memory>

#include "platform/Font.h"
#include "platform/View.h"

// The fixed scale of the tuner dial: 17 tick marks on an arc around a pivot at
// the bottom of the landscape dial, with "-20" and "+20" at the marks the
// needle points to at 20 cents flat and sharp.
class HashMarkView : public platform::View {
 public:
  static constexpr int kMarkCount = 17;
  static constexpr float kOuterRadius = 238.0f;

  struct Mark {
    float angle;   // radians; 90 degrees points to portrait −x (up on the landscape screen)
    float radius;  // where the mark starts; every mark ends at kOuterRadius
    float length;
    const char* label;  // or null
  };
  // The marks in drawing order, with the angles as drawRect() computes them.
  static std::array<Mark, kMarkCount> marks();

  static std::shared_ptr<HashMarkView> initWithFrame(const platform::Rect& frame);
  explicit HashMarkView(const platform::Rect& frame);

  void drawRect(const platform::Rect& rect) override;
  void drawHashMarksInContext(platform::GraphicsContext& context, platform::Point pivot);
  void drawHashMarkInContext(platform::GraphicsContext& context, float radius, float length,
                             float angle, const char* label);

  // The point the marks are drawn around: 155 points along +x from the centre.
  platform::Point pivot() const;
  const std::shared_ptr<platform::Font>& font() const { return font_; }

 private:
  std::shared_ptr<platform::Font> font_;
};
