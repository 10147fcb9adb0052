#include "platform/TableView.h"

#include <cairo.h>

#include <cmath>

#include "platform/GraphicsContext.h"

namespace platform {

namespace {
constexpr double kSectionGap = 10.0;
constexpr double kHeaderHeight = 36.0;
constexpr double kCornerRadius = 9.0;
constexpr double kAccessoryWidth = 30.0;

const Color kGroupFill{0.22, 0.23, 0.26, 1};
const Color kGroupEdge{0.07, 0.07, 0.08, 1};
const Color kSeparator{0.13, 0.14, 0.16, 1};
const Color kCellText{0.92, 0.92, 0.93, 1};
const Color kHeaderText{0.72, 0.74, 0.78, 1};
const Color kCheckmark{0.98, 0.70, 0.25, 1};

void roundedRectPath(cairo_t* cr, const Rect& r, double top, double bottom) {
  double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
  cairo_new_sub_path(cr);
  cairo_arc(cr, x1 - top, y0 + top, top, -M_PI / 2, 0);
  cairo_arc(cr, x1 - bottom, y1 - bottom, bottom, 0, M_PI / 2);
  cairo_arc(cr, x0 + bottom, y1 - bottom, bottom, M_PI / 2, M_PI);
  cairo_arc(cr, x0 + top, y0 + top, top, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}
}  // namespace

// ---------------------------------------------------------------- TableViewCell

TableViewCell::TableViewCell(const Rect& frame, const std::string& reuseIdentifier)
    : View(frame.isEmpty() ? RectMake(frame.origin.x, frame.origin.y, 320, kRowHeight) : frame),
      reuseIdentifier_(reuseIdentifier) {
  contentView_ =
      std::make_shared<View>(RectMake(0, 0, bounds().size.width, bounds().size.height - 1));
  textLabel_ =
      std::make_shared<Label>(RectMake(10, 0, bounds().size.width - 20, bounds().size.height - 1));
  textLabel_->setFont(Font::boldSystemFontOfSize(17));
  textLabel_->setTextColor(kCellText);
  contentView_->addSubview(textLabel_);
  addSubview(contentView_);
}

void TableViewCell::layoutSubviews() {
  Rect b = bounds();
  contentView_->setFrame(RectMake(0, 0, b.size.width, b.size.height - 1));
  double right = accessory_ == TableViewCellAccessoryType::None ? 10 : kAccessoryWidth;
  textLabel_->setFrame(RectMake(10, 0, b.size.width - 10 - right, b.size.height - 1));
}

void TableViewCell::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsGetCurrentContext();
  if (!ctx) return;
  cairo_t* cr = ctx->cairo();
  Rect b = bounds();
  if (table_ && !lastInSection_) {
    cairo_set_source_rgba(cr, kSeparator.red, kSeparator.green, kSeparator.blue, 1);
    cairo_rectangle(cr, 0, b.size.height - 1, b.size.width, 1);
    cairo_fill(cr);
  }
  if (accessory_ == TableViewCellAccessoryType::Checkmark) {
    double cx = b.size.width - 20, cy = b.size.height * 0.5;
    cairo_set_line_width(cr, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgba(cr, kCheckmark.red, kCheckmark.green, kCheckmark.blue, 1);
    cairo_move_to(cr, cx - 6, cy);
    cairo_line_to(cr, cx - 1.5, cy + 5);
    cairo_line_to(cr, cx + 7, cy - 7);
    cairo_stroke(cr);
  } else if (accessory_ == TableViewCellAccessoryType::DisclosureIndicator) {
    double cx = b.size.width - 18, cy = b.size.height * 0.5;
    cairo_set_line_width(cr, 2.5);
    cairo_set_source_rgba(cr, kHeaderText.red, kHeaderText.green, kHeaderText.blue, 1);
    cairo_move_to(cr, cx - 3, cy - 6);
    cairo_line_to(cr, cx + 3, cy);
    cairo_line_to(cr, cx - 3, cy + 6);
    cairo_stroke(cr);
  }
}

void TableViewCell::touchesBegan(Point) {
  if (table_) table_->selectRowAtIndexPath(indexPath_);
}

// ---------------------------------------------------------------- TableView

TableView::TableView(const Rect& frame, TableViewStyle style) : View(frame), style_(style) {
  setBackgroundColor(style == TableViewStyle::Grouped ? Color::viewFlipsideBackgroundColor()
                                                      : Color::blackColor());
}

void TableView::reloadData() {
  // Cells of the last layout are the pool for this one; older ones go.
  reusable_.clear();
  for (auto& s : sections_) {
    if (s.header) s.header->removeFromSuperview();
    for (auto& c : s.cells) {
      c->removeFromSuperview();
      c->table_ = nullptr;
      reusable_.emplace(c->reuseIdentifier(), c);
    }
  }
  sections_.clear();
  if (dataSource_) {
    int n = std::max(0, dataSource_->numberOfSectionsInTableView(this));
    sections_.resize(n);
    for (int s = 0; s < n; ++s) {
      Section& sec = sections_[s];
      sec.title = dataSource_->titleForHeaderInSection(this, s);
      int rows = std::max(0, dataSource_->numberOfRowsInSection(this, s));
      for (int r = 0; r < rows; ++r) {
        auto cell = dataSource_->cellForRowAtIndexPath(this, IndexPath{s, r});
        // A data source that gives no cell gets an empty row, not a crash.
        if (!cell) cell = std::make_shared<TableViewCell>(Rect{}, "");
        cell->table_ = this;
        cell->indexPath_ = IndexPath{s, r};
        sec.cells.push_back(std::move(cell));
      }
    }
  }
  layoutRows();
  for (auto& sec : sections_) {
    if (sec.header) addSubview(sec.header);
    for (auto& c : sec.cells) addSubview(c);
  }
  setNeedsDisplay();
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(
    const std::string& identifier) {
  auto it = reusable_.find(identifier);
  if (it == reusable_.end()) return nullptr;
  auto cell = it->second;
  reusable_.erase(it);
  return cell;
}

void TableView::layoutSubviews() {
  layoutRows();
}

void TableView::layoutRows() {
  double width = bounds().size.width;
  bool grouped = style_ == TableViewStyle::Grouped;
  double inset = grouped ? kGroupInset : 0;
  double y = 0;
  for (auto& sec : sections_) {
    if (!sec.title.empty()) {
      y += grouped ? kSectionGap * 0.5 : 0;
      sec.headerRect = RectMake(inset + 10, y, width - 2 * inset - 20, kHeaderHeight);
      if (!sec.header) {
        sec.header = std::make_shared<Label>(sec.headerRect);
        sec.header->setFont(Font::boldSystemFontOfSize(17));
        sec.header->setTextColor(kHeaderText);
        sec.header->setShadowColor(Color{0, 0, 0, 0.8});
        sec.header->setShadowOffset(Size{0, 1});
      }
      sec.header->setText(sec.title);
      sec.header->setFrame(sec.headerRect);
      y += kHeaderHeight;
    } else {
      sec.headerRect = Rect{};
      y += grouped ? kSectionGap : 0;
    }
    double rowsHeight = TableViewCell::kRowHeight * static_cast<double>(sec.cells.size());
    sec.groupRect = RectMake(inset, y, width - 2 * inset, rowsHeight);
    for (size_t i = 0; i < sec.cells.size(); ++i) {
      auto& c = sec.cells[i];
      c->firstInSection_ = i == 0;
      c->lastInSection_ = i + 1 == sec.cells.size();
      c->setFrame(RectMake(inset, y + TableViewCell::kRowHeight * static_cast<double>(i),
                           width - 2 * inset, TableViewCell::kRowHeight));
      c->layoutSubviews();
    }
    y += rowsHeight + (grouped ? kSectionGap : 0);
  }
}

int TableView::numberOfRowsInSection(int section) const {
  if (section < 0 || section >= numberOfSections()) return 0;
  return static_cast<int>(sections_[section].cells.size());
}

std::string TableView::headerTitleForSection(int section) const {
  if (section < 0 || section >= numberOfSections()) return "";
  return sections_[section].title;
}

TableViewCell* TableView::cellForRowAtIndexPath(IndexPath ip) const {
  if (ip.row < 0 || ip.row >= numberOfRowsInSection(ip.section)) return nullptr;
  return sections_[ip.section].cells[ip.row].get();
}

Rect TableView::rectForRowAtIndexPath(IndexPath ip) const {
  TableViewCell* c = cellForRowAtIndexPath(ip);
  return c ? c->frame() : Rect{};
}

void TableView::selectRowAtIndexPath(IndexPath ip) {
  if (delegate_ && cellForRowAtIndexPath(ip)) delegate_->didSelectRowAtIndexPath(this, ip);
}

void TableView::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsGetCurrentContext();
  if (!ctx || style_ != TableViewStyle::Grouped) return;
  cairo_t* cr = ctx->cairo();
  // Fine diagonal pinstripes give the background a little texture.
  Rect b = bounds();
  cairo_set_line_width(cr, 1);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.025);
  for (double x = -b.size.height; x < b.size.width; x += 6) {
    cairo_move_to(cr, x, b.size.height);
    cairo_line_to(cr, x + b.size.height, 0);
  }
  cairo_stroke(cr);
  for (auto& sec : sections_) {
    if (sec.groupRect.isEmpty()) continue;
    roundedRectPath(cr, sec.groupRect, kCornerRadius, kCornerRadius);
    cairo_set_source_rgba(cr, kGroupFill.red, kGroupFill.green, kGroupFill.blue, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgba(cr, kGroupEdge.red, kGroupEdge.green, kGroupEdge.blue, 1);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
  }
}

}  // namespace platform
