#include "platform/NavigationBar.h"

#include <cairo.h>

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
void drawPill(cairo_t* cr, const Rect& f, const Color& top, const Color& bottom) {
  const double r = 5;
  cairo_new_sub_path(cr);
  cairo_arc(cr, f.maxX() - r, f.minY() + r, r, -M_PI / 2, 0);
  cairo_arc(cr, f.maxX() - r, f.maxY() - r, r, 0, M_PI / 2);
  cairo_arc(cr, f.minX() + r, f.maxY() - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, f.minX() + r, f.minY() + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
  cairo_pattern_t* pill = cairo_pattern_create_linear(0, f.minY(), 0, f.maxY());
  cairo_pattern_add_color_stop_rgb(pill, 0, top.red, top.green, top.blue);
  cairo_pattern_add_color_stop_rgb(pill, 1, bottom.red, bottom.green, bottom.blue);
  cairo_set_source(cr, pill);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(pill);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.8);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
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
  cairo_t* cr = ctx->cairo();
  Rect b = bounds();
  bool black = style_ != BarStyle::Default;
  cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, b.size.height);
  if (black) {
    cairo_pattern_add_color_stop_rgb(g, 0, 0.22, 0.22, 0.23);
    cairo_pattern_add_color_stop_rgb(g, 0.5, 0.08, 0.08, 0.09);
    cairo_pattern_add_color_stop_rgb(g, 0.5, 0.02, 0.02, 0.02);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.0, 0.0, 0.0);
  } else {
    cairo_pattern_add_color_stop_rgb(g, 0, 0.55, 0.62, 0.72);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.35, 0.42, 0.54);
  }
  cairo_set_source(cr, g);
  cairo_rectangle(cr, 0, 0, b.size.width, b.size.height);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  cairo_set_source_rgba(cr, 0, 0, 0, 1);
  cairo_rectangle(cr, 0, b.size.height - 1, b.size.width, 1);
  cairo_fill(cr);

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
    drawPill(cr, rightButton_->frame(), Color{0.96, 0.64, 0.20, 1}, Color{0.74, 0.42, 0.08, 1});
  if (leftButton_)
    drawPill(cr, leftButton_->frame(), Color{0.36, 0.37, 0.40, 1}, Color{0.18, 0.19, 0.21, 1});
}

}  // namespace platform
