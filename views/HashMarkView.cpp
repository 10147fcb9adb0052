#include "views/HashMarkView.h"

#include <cstring>

#include "platform/GraphicsContext.h"

namespace {

constexpr float kFirstMarkAngle = 0.7330383f;      // 42 degrees
constexpr double kMarkStep = 0.10471975511965977;  // π/30, 6 degrees
constexpr float kHalfTurn = 3.1415927f;
constexpr double kGrey = 0.45;

bool isLongMark(int i) {
  return i == 3 || i == 8 || i == 13;
}

const char* labelForMark(int i) {
  if (i == 3) return "-20";
  if (i == 13) return "+20";
  return nullptr;
}

}  // namespace

std::array<HashMarkView::Mark, HashMarkView::kMarkCount> HashMarkView::marks() {
  std::array<Mark, kMarkCount> result{};
  float angle = kFirstMarkAngle;
  for (int i = 0; i < kMarkCount; ++i) {
    int length = isLongMark(i) ? 14 : 8;
    result[i] =
        Mark{angle, static_cast<float>(238 - length), static_cast<float>(length), labelForMark(i)};
    angle = static_cast<float>(static_cast<double>(angle) + kMarkStep);
  }
  return result;
}

std::shared_ptr<HashMarkView> HashMarkView::initWithFrame(const platform::Rect& frame) {
  return std::make_shared<HashMarkView>(frame);
}

HashMarkView::HashMarkView(const platform::Rect& frame)
    : platform::View(frame), font_(platform::Font::fontWithName("Helvetica", 12)) {}

platform::Point HashMarkView::pivot() const {
  platform::Point c = center();
  float x = (127.0f + static_cast<float>(c.x)) + 28.0f;
  float y = static_cast<float>(c.y);
  return {x, y};
}

void HashMarkView::drawRect(const platform::Rect&) {
  if (platform::GraphicsContext* context = platform::GraphicsGetCurrentContext()) {
    drawHashMarksInContext(*context, pivot());
  }
}

void HashMarkView::drawHashMarksInContext(platform::GraphicsContext& context,
                                          platform::Point pivot) {
  context.saveGState();
  context.setRGBStrokeColor(kGrey, kGrey, kGrey, 1.0);
  context.setLineWidth(2.0);
  context.translateCTM(pivot.x, pivot.y);
  for (const Mark& mark : marks()) {
    drawHashMarkInContext(context, mark.radius, mark.length, mark.angle, mark.label);
  }
  context.restoreGState();
}

void HashMarkView::drawHashMarkInContext(platform::GraphicsContext& context, float radius,
                                         float length, float angle, const char* label) {
  context.saveGState();
  context.rotateCTM(angle);
  context.translateCTM(0, radius);
  context.beginPath();
  context.moveToPoint(0, 0);
  context.addLineToPoint(0, length);
  context.strokePath();
  if (label) {
    // Turned about so the text stands upright for a reader looking outwards.
    context.rotateCTM(kHalfTurn);
    platform::Size size = platform::sizeWithFont(label, font_);
    context.setRGBFillColor(kGrey, kGrey, kGrey, 1.0);
    platform::drawAtPoint(label, {-0.5 * size.width, -length - size.height}, font_);
  }
  context.restoreGState();
}
