#include "app/plot_window.h"

#include <gtest/gtest.h>

#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLabel>

#include <memory>
#include <vector>

#include "numerics/float_list.h"
#include "numerics/int_list.h"
#include "qt_widgets_application.h"

namespace zentrova {
namespace {

std::unique_ptr<TIntList> IntList(const std::vector<int>& values) {
  auto list = std::make_unique<TIntList>();
  for (int v : values) list->Add(v);
  return list;
}
std::unique_ptr<TFloatList> FloatList(const std::vector<long double>& values) {
  auto list = std::make_unique<TFloatList>();
  for (long double v : values) list->Add(v);
  return list;
}
#define Ints(...) (*IntList(__VA_ARGS__))
#define Floats(...) (*FloatList(__VA_ARGS__))

std::vector<QPointF> Points(QLineSeries& series) {
  const QList<QPointF> points = series.points();
  return {points.begin(), points.end()};
}

class PlotWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { test::TestWidgetsApplication(); }
  TVYKPlotWatches plot_{(test::TestWidgetsApplication(), nullptr)};
};

TEST_F(PlotWindowTest, SeriesTakeThePointIndexAsXAndTheLabelsFourSignificantDigits) {
  plot_.ShowWatches(Ints({3, 7}), Floats({1, 2}), Floats({-0.5L, 0.25L}), Floats({10, 20}), 123.456L, 0.001234567L,
                    -98765.4L, 2.5L, 0, 1e-30L, true);
  EXPECT_EQ(Points(plot_.Series1()), (std::vector<QPointF>{{3, 10}, {7, 20}}));          // work
  EXPECT_EQ(Points(plot_.Series2()), (std::vector<QPointF>{{3, 1}, {7, 2}}));            // normal
  EXPECT_EQ(Points(plot_.Series3()), (std::vector<QPointF>{{3, -0.5}, {7, 0.25}}));      // tangential
  EXPECT_EQ(plot_.WorkLabel().text().toStdString(), "Total work / power = 1.235E+02 / 2.500E+00");
  EXPECT_EQ(plot_.NormalLabel().text().toStdString(), "Total normal impulse / force = 1.235E-03 / 0.000E+00");
  EXPECT_EQ(plot_.TangentialLabel().text().toStdString(),
            "Total tangential impulse / force = -9.877E+04 / 1.000E-30");
  EXPECT_EQ(plot_.ImpulsesOrForces().text().toStdString(), "Impulse:");
  EXPECT_EQ(plot_.LeftAxis().labelFormat().toStdString(), "%.2E");
  EXPECT_EQ(plot_.windowTitle().toStdString(), "Plot contact watches");
}

TEST_F(PlotWindowTest, ListsOfDifferentCountsPlotTheirCommonPoints) {
  struct Case {
    std::vector<int> indexes;
    std::vector<long double> normal, tangential, work;
    std::size_t points;
  };
  const Case cases[] = {
      {{0, 1, 2}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, 3},
      {{0, 1}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, 2},  // fewer indexes than values
      {{0, 1, 2}, {1, 2, 3}, {1}, {1, 2, 3}, 1},
      {{0, 1, 2}, {1, 2, 3}, {1, 2, 3}, {}, 0},
  };
  for (const Case& c : cases) {
    plot_.ShowWatches(Ints(c.indexes), Floats(c.normal), Floats(c.tangential), Floats(c.work), 0, 0, 0, 0, 0, 0,
                      false);
    EXPECT_EQ(Points(plot_.Series1()).size(), c.points);
    EXPECT_EQ(Points(plot_.Series2()).size(), c.points);
    EXPECT_EQ(Points(plot_.Series3()).size(), c.points);
  }
}

TEST_F(PlotWindowTest, EmptyListsClearThePlotAndStillSetTheLabels) {
  plot_.ShowWatches(Ints({1}), Floats({1}), Floats({1}), Floats({1}), 1, 1, 1, 1, 1, 1, true);
  plot_.ShowWatches(Ints({}), Floats({}), Floats({}), Floats({}), 5, 6, 7, 8, 9, 10, false);
  EXPECT_TRUE(Points(plot_.Series1()).empty());
  EXPECT_TRUE(Points(plot_.Series2()).empty());
  EXPECT_EQ(plot_.WorkLabel().text().toStdString(), "Total work / power = 5.000E+00 / 8.000E+00");
  EXPECT_EQ(plot_.NormalLabel().text().toStdString(), "Total normal impulse / force = 6.000E+00 / 9.000E+00");
  EXPECT_EQ(plot_.ImpulsesOrForces().text().toStdString(), "Force:");
}

TEST_F(PlotWindowTest, AnUntickedSeriesHidesAndKeepsItsPoints) {
  plot_.ShowWatches(Ints({0, 1}), Floats({4, 5}), Floats({6, 7}), Floats({8, 9}), 0, 0, 0, 0, 0, 0, true);
  EXPECT_TRUE(plot_.Series2().isVisible());
  plot_.NormalImpCB().click();
  EXPECT_FALSE(plot_.Series2().isVisible());
  EXPECT_TRUE(plot_.Series1().isVisible());
  EXPECT_TRUE(plot_.Series3().isVisible());
  EXPECT_EQ(Points(plot_.Series2()).size(), 2u);
  plot_.NormalImpCB().click();
  EXPECT_TRUE(plot_.Series2().isVisible());
  plot_.WorkCB().click();
  plot_.TangentialImpCB().click();
  EXPECT_FALSE(plot_.Series1().isVisible());
  EXPECT_FALSE(plot_.Series3().isVisible());
}

}  // namespace
}  // namespace zentrova
