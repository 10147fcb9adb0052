#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/Slider.h"
#include "platform/TableView.h"
#include "platform/Window.h"
#include "tests/support/Canvas.h"

using namespace platform;

namespace {

// A settings-like data source: one row holding a slider, then a group of
// plain rows, more than the table shows at once; it notes the rows chosen
// and reloads.
class TestSettingsSource : public TableViewDataSource, public TableViewDelegate {
 public:
  std::vector<std::string> names{"Standard Guitar", "Drop-D Guitar", "5-String Banjo",
                                 "Violin/Mandolin", "Ukulele"};
  std::vector<IndexPath> chosen;

  TestSettingsSource() {
    for (int i = 6; i <= 16; ++i) names.push_back("Tuning " + std::to_string(i));
  }
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

// The settings screen's table, under a bar, on the display's root view.
class TableViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bar->setBackgroundColor(Color{0.1, 0.1, 0.1, 1});
    table = std::make_shared<TableView>(RectMake(0, 44, 320, 436), TableViewStyle::Grouped);
    table->setDataSource(&source);
    table->setDelegate(&source);
    window->addSubview(table);
    window->addSubview(bar);
    table->reloadData();
  }
  // Where a row's middle (left of any control) shows on the display now.
  Point onRow(IndexPath ip) {
    Rect r = table->rectForRowAtIndexPath(ip);
    return table->convertPointToView(Point{r.midX() - 60, r.midY()}, nullptr);
  }
  void tap(Point p) {
    window->touchDown(p);
    window->touchUp(p);
  }
  void drag(Point from, double dy) {
    window->touchDown(from);
    for (int step = 1; step <= 4; ++step) window->touchMoved(Point{from.x, from.y + dy * step / 4});
    window->touchUp(Point{from.x, from.y + dy});
  }
  // The row shows whole between the table's edges.
  bool showsWhole(IndexPath ip) {
    Rect r = table->rectForRowAtIndexPath(ip);
    return r.minY() >= table->contentOffset() &&
           r.maxY() <= table->contentOffset() + table->bounds().size.height;
  }

  Application application{ApplicationOptions{"test", Orientation::Portrait, 2, ""}};
  const std::shared_ptr<Window>& window = application.window();
  std::shared_ptr<View> bar = std::make_shared<View>(RectMake(0, 0, 320, 44));
  TestSettingsSource source;
  std::shared_ptr<TableView> table;
};

TEST_F(TableViewTest, RowsStackUnderTheirHeadersInGroupsThatDoNotOverlap) {
  EXPECT_EQ("5-String Banjo", table->cellForRowAtIndexPath({1, 2})->text());
  EXPECT_EQ(nullptr, table->cellForRowAtIndexPath({1, 16}));
  // Rows stack downwards in a group; the groups do not overlap.
  Rect calib = table->rectForRowAtIndexPath({0, 0});
  Rect first = table->rectForRowAtIndexPath({1, 0}), second = table->rectForRowAtIndexPath({1, 1});
  const Rect section = table->rectForSection(1);
  EXPECT_GE(section.minY(), calib.maxY());
  EXPECT_GT(first.minY(), section.minY() + 30) << "under the header";
  EXPECT_GT(section.maxY(), table->rectForRowAtIndexPath({1, 15}).maxY() - 1);
  EXPECT_DOUBLE_EQ(first.maxY(), second.minY());
  EXPECT_DOUBLE_EQ(TableViewCell::kRowHeight, first.size.height);
}

// A row is chosen when the touch lifts without having dragged: a tap, or a
// hand straying less than the threshold. A drag scrolls and chooses nothing.
TEST_F(TableViewTest, ATapChoosesItsRowOnTheLiftAndADragChoosesNothing) {
  window->touchDown(onRow({1, 3}));
  EXPECT_TRUE(source.chosen.empty()) << "not yet on touch-down";
  window->touchUp(onRow({1, 3}));
  EXPECT_EQ((std::vector<IndexPath>{{1, 3}}), source.chosen);
  // On the row's text, straying 5 points: still a tap.
  drag(onRow({1, 0}), TableView::kDragThreshold - 1);
  EXPECT_EQ((std::vector<IndexPath>{{1, 3}, {1, 0}}), source.chosen);
  EXPECT_EQ(0, table->contentOffset());

  // Up by a hundred points over the rows: the content follows the hand all
  // the way, the threshold's first points included.
  drag(onRow({1, 4}), -100);
  EXPECT_EQ(100, table->contentOffset());
  EXPECT_EQ(2u, source.chosen.size());
  // A tap now finds the row where it shows.
  tap(onRow({1, 8}));
  EXPECT_EQ((IndexPath{1, 8}), source.chosen.back());
  EXPECT_EQ(100, table->contentOffset()) << "a reload keeps the place";
  // and leaves only the new cells.
  size_t cells = 0;
  for (auto& v : table->subviews()) cells += dynamic_cast<TableViewCell*>(v.get()) != nullptr;
  EXPECT_EQ(1 + source.names.size(), cells);
}

TEST_F(TableViewTest, AControlInARowTakesTheTouchItself) {
  Rect r = table->rectForRowAtIndexPath({0, 0});
  Point onSlider = table->convertPointToView(Point{r.minX() + 185, r.midY()}, nullptr);
  auto* slider = dynamic_cast<Slider*>(window->hitTest(onSlider));
  ASSERT_NE(nullptr, slider);
  drag(onSlider, -40);
  EXPECT_TRUE(source.chosen.empty());
  EXPECT_EQ(0, table->contentOffset()) << "the slider's drag is the slider's";
  EXPECT_TRUE(slider->isDescendantOfView(table.get())) << "no reload either";
}

// The wheel reaches the view under the pointer through the app's input path
// (upright, 2 window pixels a point); wheel and drags stop at both ends.
TEST_F(TableViewTest, TheWheelAndDragsScrollTheListUnderThePointerNoFurtherThanItsEnds) {
  const double maxOffset = table->contentHeight() - table->bounds().size.height;
  ASSERT_GT(maxOffset, 200);
  EXPECT_EQ(maxOffset, table->maxContentOffset());
  // A notch towards the user, over the table: a step down the list.
  View* under = application.mouseWheel(320, 600, -1);
  ASSERT_NE(nullptr, under);
  EXPECT_TRUE(under->isDescendantOfView(table.get()));
  EXPECT_EQ(TableView::kWheelStep, table->contentOffset());
  EXPECT_EQ(bar.get(), application.mouseWheel(320, 40, -1)) << "over the bar";
  EXPECT_EQ(TableView::kWheelStep, table->contentOffset());

  application.mouseWheel(320, 600, -100);
  EXPECT_EQ(maxOffset, table->contentOffset());
  EXPECT_TRUE(showsWhole({1, 15})) << "the last row";
  application.mouseWheel(320, 600, 0.5);  // a touchpad's half notch
  EXPECT_EQ(maxOffset - TableView::kWheelStep / 2, table->contentOffset());
  application.mouseWheel(320, 600, 100);
  EXPECT_EQ(0, table->contentOffset());
  EXPECT_TRUE(showsWhole({0, 0}));

  drag(onRow({1, 0}), 150);
  EXPECT_EQ(0, table->contentOffset());
  drag(onRow({1, 5}), -2000);
  EXPECT_EQ(maxOffset, table->contentOffset());
  EXPECT_TRUE(source.chosen.empty());

  // Turned off, the list stays put for the wheel and the hand.
  table->setScrollEnabled(false);
  application.mouseWheel(320, 600, 3);
  drag(onRow({1, 12}), 200);
  EXPECT_EQ(maxOffset, table->contentOffset());
}

// A scroll moves the list's picture by the scroll and redraws the table's
// place and nothing else; drawing only that over the last picture gives the
// whole new picture (rows are cut at the table's edges, under the bar).
TEST_F(TableViewTest, AScrollRedrawsOnlyTheTableAndThatGivesTheWholePicture) {
  const int scale = 2;
  {
    test_support::Canvas before(*window, scale);
    table->setContentOffset(50);
    test_support::Canvas after(*window, scale);
    // Left of the scroll bar, every pixel of the table 50 points lower before.
    int moved = 0, pixels = 0;
    for (int y = 44 * scale; y < (480 - 50) * scale; y += 3) {
      for (int x = 0; x < 300 * scale; x += 3, ++pixels) {
        const auto a = after.at(x, y), b = before.at(x, y + 50 * scale);
        moved += a.r == b.r && a.g == b.g && a.b == b.b;
      }
    }
    EXPECT_EQ(pixels, moved);
    EXPECT_GT(after.rowsDifferingFrom(before), 100);
  }
  for (double dy : {-1.0, -2.5, 1.0}) {
    test_support::Canvas kept(*window, scale);
    window->setNeedsDisplayFlag(false);
    window->clearDamage();
    application.mouseWheel(320, 600, dy);
    EXPECT_FALSE(window->needsDisplay());
    const Rect d = window->damage();
    EXPECT_EQ(44, d.minY());
    EXPECT_EQ(480, d.maxY());

    cairo_t* cr = cairo_create(kept.surface());
    cairo_rectangle(cr, d.minX() * scale, d.minY() * scale, d.size.width * scale,
                    d.size.height * scale);
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    renderViewTree(*window, cr, scale);
    cairo_destroy(cr);
    cairo_surface_flush(kept.surface());
    EXPECT_EQ(0, test_support::Canvas(*window, scale).rowsDifferingFrom(kept)) << dy;
  }
}

}  // namespace
