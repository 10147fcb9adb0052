#include "platform/TableView.h"

#include <algorithm>
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
  Rect b = bounds();
  ctx->saveGState();
  if (table_ && !lastInSection_) {
    ctx->setFillColor(kSeparator);
    ctx->fillRect(RectMake(0, b.size.height - 1, b.size.width, 1));
  }
  if (accessory_ == TableViewCellAccessoryType::Checkmark) {
    double cx = b.size.width - 20, cy = b.size.height * 0.5;
    ctx->setLineWidth(3);
    ctx->setLineCap(LineCap::Round);
    ctx->setLineJoin(LineJoin::Round);
    ctx->setStrokeColor(kCheckmark);
    ctx->beginPath();
    ctx->moveToPoint(cx - 6, cy);
    ctx->addLineToPoint(cx - 1.5, cy + 5);
    ctx->addLineToPoint(cx + 7, cy - 7);
    ctx->strokePath();
  } else if (accessory_ == TableViewCellAccessoryType::DisclosureIndicator) {
    double cx = b.size.width - 18, cy = b.size.height * 0.5;
    ctx->setLineWidth(2.5);
    ctx->setStrokeColor(kHeaderText);
    ctx->beginPath();
    ctx->moveToPoint(cx - 3, cy - 6);
    ctx->addLineToPoint(cx + 3, cy);
    ctx->addLineToPoint(cx - 3, cy + 6);
    ctx->strokePath();
  }
  ctx->restoreGState();
}

// ---------------------------------------------------------------- TableView

TableView::TableView(const Rect& frame, TableViewStyle style) : View(frame), style_(style) {
  setBackgroundColor(style == TableViewStyle::Grouped ? Color::viewFlipsideBackgroundColor()
                                                      : Color::blackColor());
  setClipsToBounds(true);
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
  // The list stays where it was scrolled to, as far as the new rows reach.
  setContentOffset(contentOffset());
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
  setContentOffset(contentOffset());
}

void TableView::layoutRows() {
  double width = bounds().size.width;
  bool grouped = style_ == TableViewStyle::Grouped;
  double inset = grouped ? kGroupInset : 0;
  double y = 0;
  for (auto& sec : sections_) {
    const double top = y;
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
    sec.sectionRect = RectMake(0, top, width, y - top);
  }
  contentHeight_ = y;
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

Rect TableView::rectForSection(int section) const {
  if (section < 0 || section >= numberOfSections()) return Rect{};
  return sections_[section].sectionRect;
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point p) const {
  for (const auto& sec : sections_) {
    for (const auto& c : sec.cells) {
      if (c->frame().contains(p)) return c->indexPath_;
    }
  }
  return std::nullopt;
}

void TableView::selectRowAtIndexPath(IndexPath ip) {
  if (delegate_ && cellForRowAtIndexPath(ip)) delegate_->didSelectRowAtIndexPath(this, ip);
}

// ---------------------------------------------------------------- scrolling

double TableView::maxContentOffset() const {
  return std::max(0.0, contentHeight_ - bounds().size.height);
}

void TableView::setContentOffset(double offset) {
  const double held = std::clamp(offset, 0.0, maxContentOffset());
  if (held == contentOffset()) return;
  setBoundsOrigin(Point{0, held});
  // The scroll indicator's place is part of the table's own drawing, which
  // the new origin has already marked for drawing.
}

void TableView::scrollRectToVisible(const Rect& rect) {
  const double h = bounds().size.height;
  double offset = contentOffset();
  if (rect.maxY() > offset + h) offset = rect.maxY() - h;
  if (rect.minY() < offset) offset = rect.minY();
  setContentOffset(offset);
}

void TableView::scrollToRowAtIndexPath(IndexPath ip, TableViewScrollPosition position) {
  if (!cellForRowAtIndexPath(ip)) return;
  const Rect r = rectForRowAtIndexPath(ip);
  const double h = bounds().size.height;
  switch (position) {
    case TableViewScrollPosition::None:
      scrollRectToVisible(r);
      break;
    case TableViewScrollPosition::Top:
      setContentOffset(r.minY());
      break;
    case TableViewScrollPosition::Middle:
      setContentOffset(r.midY() - h * 0.5);
      break;
    case TableViewScrollPosition::Bottom:
      setContentOffset(r.maxY() - h);
      break;
  }
}

void TableView::scrollByPages(int pages) {
  const double page =
      std::max(TableViewCell::kRowHeight, bounds().size.height - TableViewCell::kRowHeight);
  setContentOffset(contentOffset() + page * pages);
}

void TableView::scrollWheel(double notches) {
  if (!scrollEnabled_) {
    View::scrollWheel(notches);
    return;
  }
  // Away from the user shows what lies above.
  setContentOffset(contentOffset() - notches * kWheelStep);
}

void TableView::touchesBegan(Point p) {
  touch_ = Touch{visiblePoint(p), contentOffset(), indexPathForRowAtPoint(p), false};
}

void TableView::touchesMoved(Point p) {
  if (!touch_) return;
  // Where the touch is on the table's face: the content under it moves.
  const Point now = visiblePoint(p);
  const double dx = now.x - touch_->start.x, dy = now.y - touch_->start.y;
  if (!touch_->dragging && std::hypot(dx, dy) > kDragThreshold) touch_->dragging = true;
  // The content follows the hand from where it came down: no jump of the
  // threshold's few points when the drag is recognised.
  if (touch_->dragging && scrollEnabled_) setContentOffset(touch_->startOffset - dy);
}

void TableView::touchesEnded(Point p) {
  if (!touch_) return;
  touchesMoved(p);
  const Touch ended = *touch_;
  touch_.reset();
  if (!ended.dragging && ended.row) selectRowAtIndexPath(*ended.row);
}

void TableView::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsGetCurrentContext();
  if (!ctx || style_ != TableViewStyle::Grouped) return;
  // Fine diagonal pinstripes give the background a little texture; they
  // belong to the content and move with it (lines x + y = c, c a multiple of
  // 6, across the part shown and a little beyond, so that the table's edges
  // cut them the same wherever it is scrolled).
  const Rect b = bounds();
  const double y0 = b.minY() - 6, y1 = b.maxY() + 6;
  ctx->saveGState();
  ctx->setLineWidth(1);
  ctx->setRGBStrokeColor(1, 1, 1, 0.025);
  ctx->beginPath();
  for (double c = std::floor(y0 / 6) * 6; c < b.size.width + y1; c += 6) {
    ctx->moveToPoint(c - y1, y1);
    ctx->addLineToPoint(c - y0, y0);
  }
  ctx->strokePath();
  ctx->setFillColor(kGroupFill);
  ctx->setStrokeColor(kGroupEdge);
  for (auto& sec : sections_) {
    if (sec.groupRect.isEmpty()) continue;
    if (sec.groupRect.maxY() < y0 || sec.groupRect.minY() > y1) continue;
    ctx->addRoundedRect(sec.groupRect, kCornerRadius, kCornerRadius);
    ctx->drawPath(PathDrawingMode::FillStroke);
  }
  // A slim bar in the right margin says how much of the list shows and where.
  const double max = maxContentOffset();
  if (scrollEnabled_ && max > 0) {
    const double h = b.size.height;
    const double length = std::max(24.0, h * h / contentHeight_);
    const double top = b.minY() + 3 + (h - 6 - length) * (contentOffset() / max);
    ctx->addRoundedRect(RectMake(b.maxX() - 6, top, 3, length), 1.5, 1.5);
    ctx->setRGBFillColor(1, 1, 1, 0.35);
    ctx->fillPath();
  }
  ctx->restoreGState();
}

}  // namespace platform
