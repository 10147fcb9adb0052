#include "platform/NavigationBar.h"

#include <cmath>

#include "platform/GraphicsContext.h"

namespace platform {

BarButtonItem::BarButtonItem(BarButtonSystemItem item, std::function<void()> action)
    : item_(item), action_(std::move(action)) {}

std::string BarButtonItem::title() const {
  switch (item_) {
    case BarButtonSystemItem::Done:
      return "Done";
    case BarButtonSystemItem::Cancel:
      return "Cancel";
    case BarButtonSystemItem::Save:
      return "Save";
  }
  return "";
}

NavigationBar::NavigationBar(const Rect& frame) : View(frame) {}

void NavigationBar::pushNavigationItem(std::shared_ptr<NavigationItem> item, bool) {
  if (!item) return;
  items_.push_back(std::move(item));
  rebuildButtons();
}

namespace {
std::shared_ptr<Button> buttonFor(const std::shared_ptr<BarButtonItem>& item) {
  auto button = std::make_shared<Button>();
  button->setTitle(item->title());
  button->setTitleFont(Font::boldSystemFontOfSize(13));
  button->addAction([item](Control*) { item->trigger(); }, ControlEventTouchDown);
  return button;
}

double buttonWidth(const Button& button) {
  return sizeWithFont(button.title(), Font::boldSystemFontOfSize(13)).width + 22;
}

// A button's rounded body, shaded from `top` to `bottom`.
void drawPill(GraphicsContext& ctx, const Rect& f, const Color& top, const Color& bottom) {
  ctx.saveGState();
  ctx.beginPath();
  ctx.addRoundedRect(f, 5, 5);
  ctx.setFillGradient(Gradient::linear(
      {0, f.minY()}, {0, f.maxY()},
      {{0, {top.red, top.green, top.blue, 1}}, {1, {bottom.red, bottom.green, bottom.blue, 1}}}));
  ctx.setRGBStrokeColor(0, 0, 0, 0.8);
  ctx.setLineWidth(1);
  ctx.drawPath(PathDrawingMode::FillStroke);
  ctx.restoreGState();
}
}  // namespace

void NavigationBar::rebuildButtons() {
  for (auto* button : {&rightButton_, &leftButton_}) {
    if (*button) (*button)->removeFromSuperview();
    button->reset();
  }
  NavigationItem* top = topItem();
  if (!top) return;
  if (top->rightBarButtonItem()) {
    rightButton_ = buttonFor(top->rightBarButtonItem());
    addSubview(rightButton_);
  }
  if (top->leftBarButtonItem()) {
    leftButton_ = buttonFor(top->leftBarButtonItem());
    addSubview(leftButton_);
  }
  layoutSubviews();
}

void NavigationBar::layoutSubviews() {
  const double h = 30;
  const Rect b = bounds();
  if (rightButton_) {
    const double w = buttonWidth(*rightButton_);
    rightButton_->setFrame(RectMake(b.size.width - 5 - w, (b.size.height - h) * 0.5, w, h));
  }
  if (leftButton_) {
    leftButton_->setFrame(RectMake(5, (b.size.height - h) * 0.5, buttonWidth(*leftButton_), h));
  }
}

void NavigationBar::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsGetCurrentContext();
  if (!ctx) return;
  Rect b = bounds();
  bool black = style_ != BarStyle::Default;
  const Point top{0, 0}, bottom{0, b.size.height};
  ctx->saveGState();
  if (black) {
    ctx->setFillGradient(Gradient::linear(top, bottom,
                                          {{0, {0.22, 0.22, 0.23, 1}},
                                           {0.5, {0.08, 0.08, 0.09, 1}},
                                           {0.5, {0.02, 0.02, 0.02, 1}},
                                           {1, {0.0, 0.0, 0.0, 1}}}));
  } else {
    ctx->setFillGradient(
        Gradient::linear(top, bottom, {{0, {0.55, 0.62, 0.72, 1}}, {1, {0.35, 0.42, 0.54, 1}}}));
  }
  ctx->fillRect(RectMake(0, 0, b.size.width, b.size.height));
  ctx->setRGBFillColor(0, 0, 0, 1);
  ctx->fillRect(RectMake(0, b.size.height - 1, b.size.width, 1));
  ctx->restoreGState();

  if (NavigationItem* top = topItem()) {
    auto font = Font::boldSystemFontOfSize(20);
    Size s = sizeWithFont(top->title(), font);
    Point p{(b.size.width - s.width) * 0.5, (b.size.height - s.height) * 0.5};
    ctx->setRGBFillColor(0, 0, 0, 0.6);
    drawAtPoint(top->title(), Point{p.x, p.y - 1}, font);
    ctx->setRGBFillColor(1, 1, 1, 1);
    drawAtPoint(top->title(), p, font);
  }
  // The right button (Done, Save) lit, the left one (Cancel) plain.
  if (rightButton_)
    drawPill(*ctx, rightButton_->frame(), Color{0.96, 0.64, 0.20, 1}, Color{0.74, 0.42, 0.08, 1});
  if (leftButton_)
    drawPill(*ctx, leftButton_->frame(), Color{0.36, 0.37, 0.40, 1}, Color{0.18, 0.19, 0.21, 1});
}

}  // namespace platform
