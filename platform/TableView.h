#pragma once

#include <map>
#include <memory>
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
  // A touch on the row (and not on a control in it) selects it.
  void touchesBegan(Point p) override;

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

// A table of sections of rows, laid out from its data source on reloadData.
// The grouped style draws each section as a rounded group under its header
// title, like a settings page. Scrolling can be turned off (this table never
// scrolls; rows past the bottom are simply cut).
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
  Rect rectForRowAtIndexPath(IndexPath indexPath) const;

  // Called by a touched cell: tells the delegate.
  void selectRowAtIndexPath(IndexPath indexPath);

  void drawRect(const Rect& rect) override;

  static constexpr double kGroupInset = 10.0;

 protected:
  void layoutSubviews() override;

 private:
  struct Section {
    std::string title;
    std::shared_ptr<Label> header;
    std::vector<std::shared_ptr<TableViewCell>> cells;
    Rect headerRect;
    Rect groupRect;
  };
  void layoutRows();

  TableViewStyle style_;
  TableViewDataSource* dataSource_ = nullptr;
  TableViewDelegate* delegate_ = nullptr;
  bool scrollEnabled_ = true;
  std::vector<Section> sections_;
  std::multimap<std::string, std::shared_ptr<TableViewCell>> reusable_;
};

}  // namespace platform
