#include "platform/Font.h"

#include "platform/GraphicsContext.h"

namespace platform {

std::shared_ptr<Font> Font::fontWithName(const std::string& name, double pointSize) {
  if (name.empty() || !(pointSize > 0)) return nullptr;
  // "Helvetica-Bold" style names choose the bold face of the family.
  std::string family = name;
  bool bold = false;
  if (auto dash = name.find('-'); dash != std::string::npos) {
    family = name.substr(0, dash);
    bold = name.find("Bold", dash) != std::string::npos;
  }
  return std::make_shared<Font>(family, bold, pointSize);
}

std::shared_ptr<Font> Font::systemFontOfSize(double pointSize) {
  return std::make_shared<Font>("Helvetica", false, pointSize);
}

std::shared_ptr<Font> Font::boldSystemFontOfSize(double pointSize) {
  return std::make_shared<Font>("Helvetica", true, pointSize);
}

std::shared_ptr<Font> Font::fontWithSize(double pointSize) const {
  if (!(pointSize > 0)) return nullptr;
  return std::make_shared<Font>(family_, bold_, pointSize);
}

Size sizeWithFont(std::string_view text, const Font* font) {
  if (!font) return Size{};
  return font->sizeOfText(text);
}

Size drawAtPoint(std::string_view text, Point point, const Font* font) {
  if (!font) return Size{};
  Size size = font->sizeOfText(text);
  GraphicsContext* ctx = GraphicsGetCurrentContext();
  if (!ctx || text.empty()) return size;
  font->showText(*ctx, text, point.x, point.y + font->ascender());
  return size;
}

}  // namespace platform
