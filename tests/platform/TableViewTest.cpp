#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Slider.h"
#include "platform/TableView.h"
#include "platform/Window.h"

using namespace platform;

namespace {

// A settings-like data source: one row holding a slider, then a group of
// plain rows; it notes the rows chosen and reloads.
class TestSettingsSource : public TableViewDataSource, public TableViewDelegate {
 public:
  std::vector<std::string> names{"Standard Guitar", "Drop-D Guitar", "5-String Banjo",
                                 "Violin/Mandolin", "Ukulele"};
  std::vector<IndexPath> chosen;

  int numberOfSectionsInTableView(TableView*) override { return 2; }
  int numberOfRowsInSection(TableView*, int section) override {
    return section == 0 ? 1 : static_cast<int>(names.size());
  }
  std::string titleForHeaderInSection(TableView*, int section) override {
    return section == 0 ? "Calibration" : "Tuning";
  }
  std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView*, IndexPath ip) override {
    if (ip.section == 0) {
      auto cell = std::make_shared<TableViewCell>(Rect{}, "a_table_cell");
      cell->contentView()->addSubview(std::make_shared<Slider>(
          RectMake(90, 0, 190, cell->contentView()->bounds().size.height)));
      return cell;
    }
    auto cell = std::make_shared<TableViewCell>(Rect{}, "tuning_cell");
    cell->setText(names[ip.row]);
    return cell;
  }
  void didSelectRowAtIndexPath(TableView* table, IndexPath ip) override {
    chosen.push_back(ip);
    table->reloadData();
  }
};

class TableViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table = std::make_shared<TableView>(RectMake(0, 44, 320, 436), TableViewStyle::Grouped);
    table->setDataSource(&source);
    table->setDelegate(&source);
    table->setScrollEnabled(false);
    window.addSubview(table);
    table->reloadData();
  }
  Point centreOfRow(IndexPath ip) {
    Rect r = table->rectForRowAtIndexPath(ip);
    return table->convertPointToView(Point{r.midX() - 60, r.midY()}, nullptr);
  }
  Window window{RectMake(0, 0, 320, 480)};
  TestSettingsSource source;
  std::shared_ptr<TableView> table;
};

TEST_F(TableViewTest, RowsStackUnderTheirHeadersInGroupsThatDoNotOverlap) {
  EXPECT_EQ("5-String Banjo", table->cellForRowAtIndexPath({1, 2})->text());
  EXPECT_EQ(nullptr, table->cellForRowAtIndexPath({1, 5}));
  // Rows stack downwards in a group; the groups do not overlap.
  Rect calib = table->rectForRowAtIndexPath({0, 0});
  Rect first = table->rectForRowAtIndexPath({1, 0}), second = table->rectForRowAtIndexPath({1, 1});
  EXPECT_GT(first.minY(), calib.maxY());
  EXPECT_DOUBLE_EQ(first.maxY(), second.minY());
  EXPECT_DOUBLE_EQ(TableViewCell::kRowHeight, first.size.height);
}

TEST_F(TableViewTest, TouchingARowChoosesIt) {
  window.touchDown(centreOfRow({1, 3}));
  window.touchUp(centreOfRow({1, 3}));
  // Text labels pass the touch to their row.
  window.touchDown(centreOfRow({1, 0}));
  EXPECT_EQ((std::vector<IndexPath>{{1, 3}, {1, 0}}), source.chosen);
}

TEST_F(TableViewTest, AControlInARowTakesTheTouchItself) {
  Rect r = table->rectForRowAtIndexPath({0, 0});
  Point onSlider = table->convertPointToView(Point{r.minX() + 185, r.midY()}, nullptr);
  EXPECT_NE(nullptr, dynamic_cast<Slider*>(window.hitTest(onSlider)));
  window.touchDown(onSlider);
  EXPECT_TRUE(source.chosen.empty());
}

// The settings screen never asks for a cell under the identifier it makes
// them with, so reuse itself is never reached; what matters is that a reload
// leaves only the new cells in the tree.
TEST_F(TableViewTest, ReloadLeavesOnlyTheNewCells) {
  table->reloadData();
  size_t cells = 0;
  for (auto& v : table->subviews())
    if (dynamic_cast<TableViewCell*>(v.get())) ++cells;
  EXPECT_EQ(6u, cells);
}

}  // namespace
