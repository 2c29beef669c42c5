#include "app/plot_window.h"

#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <limits>

#include "numerics/float_list.h"
#include "numerics/int_list.h"

namespace zentrova {

std::string PlotTotalText(long double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3LE", value);
  return text;
}

TVYKPlotWatches::TVYKPlotWatches(QWidget* parent)
    : QWidget(parent, Qt::Window),
      chart_(new QChart),
      chart_view_(new QChartView(chart_, this)),
      left_axis_(new QValueAxis),
      bottom_axis_(new QValueAxis),
      work_label_(new QLabel(this)),
      tangential_label_(new QLabel(this)),
      normal_label_(new QLabel(this)),
      impulses_or_forces_(new QLabel("Impulse:", this)),
      work_cb_(new QCheckBox("Work", this)),
      normal_cb_(new QCheckBox("Normal", this)),
      tangential_cb_(new QCheckBox("Tangential", this)) {
  setWindowTitle("Plot contact watches");
  chart_->legend()->hide();
  bottom_axis_->setTitleText("Extrusion shape point");
  left_axis_->setTitleText("[J] / [Ns] or [N]");
  left_axis_->setLabelFormat("%.2E");
  chart_->addAxis(bottom_axis_, Qt::AlignBottom);
  chart_->addAxis(left_axis_, Qt::AlignLeft);
  const char* names[6] = {"Work [J]",  "Normal impulse [Ns]", "Tangential impulse [Ns]",
                          "WorkA",     "NormalImpulseA",      "TangentialImpulseA"};
  const Qt::GlobalColor colors[3] = {Qt::red, Qt::blue, Qt::darkGreen};
  for (int i = 0; i < 6; ++i) {
    series_[i] = new QLineSeries;
    series_[i]->setName(names[i]);
    if (i < 3) series_[i]->setColor(colors[i]);
    chart_->addSeries(series_[i]);
    series_[i]->attachAxis(bottom_axis_);
    series_[i]->attachAxis(left_axis_);
  }
  chart_view_->setRenderHint(QPainter::Antialiasing);
  for (QLabel* label : {work_label_, tangential_label_, normal_label_}) label->setAlignment(Qt::AlignRight);
  for (QCheckBox* box : {work_cb_, normal_cb_, tangential_cb_}) {
    box->setChecked(true);
    connect(box, &QCheckBox::clicked, this, [this] { UpdataPlot(); });
  }

  auto* labels = new QVBoxLayout;
  labels->addWidget(work_label_);
  labels->addWidget(tangential_label_);
  labels->addWidget(normal_label_);
  auto* boxes = new QHBoxLayout;
  boxes->addWidget(impulses_or_forces_);
  boxes->addWidget(work_cb_);
  boxes->addWidget(normal_cb_);
  boxes->addWidget(tangential_cb_);
  boxes->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(labels);
  layout->addWidget(chart_view_, 1);
  layout->addLayout(boxes);
  resize(640, 420);
}

void TVYKPlotWatches::ShowWatches(const TIntList& indexes, const TFloatList& normal,
                                  const TFloatList& tangential, const TFloatList& work, long double total_work,
                                  long double total_normal, long double total_tangential, long double power,
                                  long double normal_force, long double tangential_force, bool impulses) {
  for (int i = 0; i < 3; ++i) series_[i]->clear();
  // Lists of different lengths plot what they have in common rather than read past the shortest.
  const std::uint32_t count = std::min({indexes.Count(), normal.Count(), tangential.Count(), work.Count()});
  double low = std::numeric_limits<double>::infinity(), high = -low;
  double x_low = low, x_high = -low;
  for (std::uint32_t i = 0; i < count; ++i) {
    const double x = indexes.At(i);
    const double values[3] = {static_cast<double>(work.At(i)), static_cast<double>(normal.At(i)),
                              static_cast<double>(tangential.At(i))};
    for (int s = 0; s < 3; ++s) {
      series_[s]->append(x, values[s]);
      low = std::min(low, values[s]);
      high = std::max(high, values[s]);
    }
    x_low = std::min(x_low, x);
    x_high = std::max(x_high, x);
  }
  if (count > 0) {
    if (high == low) high = low + 1;
    left_axis_->setRange(low, high);
    bottom_axis_->setRange(x_low, x_high > x_low ? x_high : x_low + 1);
  }
  work_label_->setText(QString::fromStdString("Total work / power = " + PlotTotalText(total_work) + " / " +
                                              PlotTotalText(power)));
  tangential_label_->setText(QString::fromStdString("Total tangential impulse / force = " +
                                                    PlotTotalText(total_tangential) + " / " +
                                                    PlotTotalText(tangential_force)));
  normal_label_->setText(QString::fromStdString("Total normal impulse / force = " +
                                                PlotTotalText(total_normal) + " / " +
                                                PlotTotalText(normal_force)));
  impulses_or_forces_->setText(impulses ? "Impulse:" : "Force:");
  UpdataPlot();
}

void TVYKPlotWatches::UpdataPlot() {
  series_[0]->setVisible(work_cb_->isChecked());
  series_[1]->setVisible(normal_cb_->isChecked());
  series_[2]->setVisible(tangential_cb_->isChecked());
}

}  // namespace zentrova
