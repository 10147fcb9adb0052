#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Label.h"
#include "platform/View.h"

namespace platform {

struct IndexPath {
  int section = 0;
  int row = 0;
  bool operator==(const IndexPath&) const = default;
};

enum class TableViewStyle { Plain = 0, Grouped = 1 };
enum class TableViewCellAccessoryType {
  None = 0,
  DisclosureIndicator = 1,
  DetailDisclosureButton = 2,
  Checkmark = 3
};
enum class TableViewCellSelectionStyle { None = 0, Blue = 1, Gray = 2 };

class TableView;

// One row: a content view for the row's own subviews, an optional text and an
// accessory at the right. A cell made with an empty frame starts at the
// standard row size (320 × 44; content view 43 high) until its table lays it out.
// Touches on the row (not on a control in it) go on to the table, which
// selects the row or scrolls.
class TableViewCell : public View {
 public:
  TableViewCell(const Rect& frame, const std::string& reuseIdentifier);

  const std::string& reuseIdentifier() const { return reuseIdentifier_; }
  View* contentView() const { return contentView_.get(); }
  // The row's text, shown in the content view's left part.
  const std::string& text() const { return textLabel_->text(); }
  void setText(const std::string& text) { textLabel_->setText(text); }
  TableViewCellAccessoryType accessoryType() const { return accessory_; }
  void setAccessoryType(TableViewCellAccessoryType a) {
    accessory_ = a;
    setNeedsDisplay();
  }
  TableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
  void setSelectionStyle(TableViewCellSelectionStyle s) { selectionStyle_ = s; }

  // Set by the table while the cell is one of its rows.
  TableView* tableView() const { return table_; }

  void drawRect(const Rect& rect) override;

  static constexpr double kRowHeight = 44.0;

 protected:
  void layoutSubviews() override;

 private:
  friend class TableView;
  std::string reuseIdentifier_;
  std::shared_ptr<View> contentView_;
  std::shared_ptr<Label> textLabel_;
  TableViewCellAccessoryType accessory_ = TableViewCellAccessoryType::None;
  TableViewCellSelectionStyle selectionStyle_ = TableViewCellSelectionStyle::Blue;
  TableView* table_ = nullptr;
  IndexPath indexPath_;
  bool firstInSection_ = false;
  bool lastInSection_ = false;
};

class TableViewDataSource {
 public:
  virtual ~TableViewDataSource() = default;
  virtual int numberOfSectionsInTableView(TableView* tableView) {
    (void)tableView;
    return 1;
  }
  virtual int numberOfRowsInSection(TableView* tableView, int section) = 0;
  virtual std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView* tableView,
                                                               IndexPath indexPath) = 0;
  // "" for no header.
  virtual std::string titleForHeaderInSection(TableView* tableView, int section) {
    (void)tableView;
    (void)section;
    return "";
  }
};

class TableViewDelegate {
 public:
  virtual ~TableViewDelegate() = default;
  virtual void didSelectRowAtIndexPath(TableView* tableView, IndexPath indexPath) = 0;
};

enum class TableViewScrollPosition { None = 0, Top = 1, Middle = 2, Bottom = 3 };

// A table of sections of rows, laid out from its data source on reloadData.
// The grouped style draws each section as a rounded group under its header
// title, like a settings page.
//
// Rows taller together than the table scroll, cut at its edges: the content
// offset is how far down the content the table's top edge is, from 0 to
// maxContentOffset() and never past either end. The wheel scrolls
// kWheelStep points a notch; a touch that moves more than kDragThreshold
// points drags the content with it and selects nothing. A touch that stays
// within the threshold selects the row it came down on when it lifts (a
// drag has to be told from a tap first); controls in a row, such as a
// slider, take their touches themselves and still act on touch-down. A
// scroll redraws the table only. With scrolling turned off, the wheel and
// drags leave the content where it is; code can still move it.
class TableView : public View {
 public:
  TableView(const Rect& frame, TableViewStyle style);

  TableViewStyle style() const { return style_; }
  void setDataSource(TableViewDataSource* dataSource) { dataSource_ = dataSource; }
  void setDelegate(TableViewDelegate* delegate) { delegate_ = delegate; }
  TableViewDelegate* delegate() const { return delegate_; }
  bool isScrollEnabled() const { return scrollEnabled_; }
  void setScrollEnabled(bool enabled) { scrollEnabled_ = enabled; }

  // Asks the data source for everything again; the old cells become reusable.
  void reloadData();
  // A cell of the last layout with this identifier not yet taken again, or none.
  std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);

  int numberOfSections() const { return static_cast<int>(sections_.size()); }
  int numberOfRowsInSection(int section) const;
  std::string headerTitleForSection(int section) const;
  // The cell shown at the index path, or null.
  TableViewCell* cellForRowAtIndexPath(IndexPath indexPath) const;
  // Where the row, or all of a section (the space above it, its header and
  // its rows), lies in the content (the table's own coordinates: subtract the
  // content offset for where it shows); empty for none.
  Rect rectForRowAtIndexPath(IndexPath indexPath) const;
  Rect rectForSection(int section) const;
  // The row at a point of the content, if any.
  std::optional<IndexPath> indexPathForRowAtPoint(Point p) const;

  // Tells the delegate, as a tap on the row does.
  void selectRowAtIndexPath(IndexPath indexPath);

  // --- scrolling
  double contentHeight() const { return contentHeight_; }
  double contentOffset() const { return bounds().origin.y; }
  double maxContentOffset() const;
  // Held between 0 and maxContentOffset().
  void setContentOffset(double offset);
  // The least scroll that shows all of `rect` (content coordinates); its top
  // when it is taller than the table.
  void scrollRectToVisible(const Rect& rect);
  // None: the least scroll that shows the row; else the row at that edge, or
  // in the middle, as far as the ends allow.
  void scrollToRowAtIndexPath(IndexPath indexPath, TableViewScrollPosition position);
  // By whole pages (negative: up). A page is the table's height less a row,
  // so that the row at one edge is still seen at the other.
  void scrollByPages(int pages);

  void drawRect(const Rect& rect) override;
  void touchesBegan(Point p) override;
  void touchesMoved(Point p) override;
  void touchesEnded(Point p) override;
  void scrollWheel(double notches) override;

  static constexpr double kGroupInset = 10.0;
  // About three lines of text, as desktop lists scroll for a notch.
  static constexpr double kWheelStep = 60.0;
  // A hand holding still on a touch pad or a mouse moved while clicking
  // strays a little: that is still a tap.
  static constexpr double kDragThreshold = 6.0;

 protected:
  void layoutSubviews() override;

 private:
  struct Section {
    std::string title;
    std::shared_ptr<Label> header;
    std::vector<std::shared_ptr<TableViewCell>> cells;
    Rect headerRect;
    Rect groupRect;
    Rect sectionRect;
  };
  void layoutRows();
  // From a point of the content to where it shows in the table's frame.
  Point visiblePoint(Point p) const { return Point{p.x, p.y - contentOffset()}; }

  TableViewStyle style_;
  TableViewDataSource* dataSource_ = nullptr;
  TableViewDelegate* delegate_ = nullptr;
  bool scrollEnabled_ = true;
  double contentHeight_ = 0;
  std::vector<Section> sections_;
  // The touch in progress: where it came down (as shown), the offset then,
  // the row under it, and whether it has become a drag.
  struct Touch {
    Point start;
    double startOffset = 0;
    std::optional<IndexPath> row;
    bool dragging = false;
  };
  std::optional<Touch> touch_;
  std::multimap<std::string, std::shared_ptr<TableViewCell>> reusable_;
};

}  // namespace platform
