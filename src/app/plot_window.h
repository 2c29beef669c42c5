// The plot of one body's contact watches: work, normal and tangential impulse (or force) along the
// points of its outline, three line series that their check boxes show or hide, and the totals.
#pragma once

#include <QtWidgets/QWidget>

#include <cstdint>
#include <string>

#include "engine/plot_window.h"

class QCheckBox;
class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QValueAxis;

namespace zentrova {

class TVYKPlotWatches : public QWidget, public IPlotWindow {
 public:
  explicit TVYKPlotWatches(QWidget* parent = nullptr);

  bool Visible() const override { return isVisible(); }
  // The body whose watches the window shows; -1 before the first plot.
  std::int32_t BodyIndex() const override { return body_index_; }
  void SetBodyIndex(std::int32_t body) { body_index_ = body; }
  // Plots the points of the four lists up to the shortest one's count and shows the totals in
  // scientific notation with 4 significant digits; `impulses`: the values are impulses, else forces.
  void ShowWatches(const TIntList& indexes, const TFloatList& normal, const TFloatList& tangential,
                   const TFloatList& work, long double total_work, long double total_normal,
                   long double total_tangential, long double power, long double normal_force,
                   long double tangential_force, bool impulses) override;
  // Each series shows exactly while its check box is ticked.
  void UpdataPlot();

  QLineSeries& Series1() { return *series_[0]; }
  QLineSeries& Series2() { return *series_[1]; }
  QLineSeries& Series3() { return *series_[2]; }
  QCheckBox& WorkCB() { return *work_cb_; }
  QCheckBox& NormalImpCB() { return *normal_cb_; }
  QCheckBox& TangentialImpCB() { return *tangential_cb_; }
  QLabel& WorkLabel() { return *work_label_; }
  QLabel& TangentialLabel() { return *tangential_label_; }
  QLabel& NormalLabel() { return *normal_label_; }
  QLabel& ImpulsesOrForces() { return *impulses_or_forces_; }
  QValueAxis& LeftAxis() { return *left_axis_; }
  QValueAxis& BottomAxis() { return *bottom_axis_; }

 private:
  QChart* chart_;
  QChartView* chart_view_;
  // Series1..3 shown; Series4..6 (the A series) stay empty and out of the legend.
  QLineSeries* series_[6];
  QValueAxis* left_axis_;
  QValueAxis* bottom_axis_;
  QLabel* work_label_;
  QLabel* tangential_label_;
  QLabel* normal_label_;
  QLabel* impulses_or_forces_;
  QCheckBox* work_cb_;
  QCheckBox* normal_cb_;
  QCheckBox* tangential_cb_;
  std::int32_t body_index_ = -1;
};

// A total as the plot shows it: scientific notation with 4 significant digits ("1.235E+02").
std::string PlotTotalText(long double value);

}  // namespace zentrova
