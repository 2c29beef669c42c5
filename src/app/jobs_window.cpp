#include "app/jobs_window.h"

#include <QtCore/QStringList>
#include <QtGui/QAction>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMenu>
#include <QtWidgets/QTreeWidget>
#include <QtWidgets/QVBoxLayout>

#include <cmath>
#include <cstdio>

#include "app/guarded_command.h"
#include "platform/dialogs.h"

namespace zentrova {

namespace {

constexpr int kPausedHeight = 13;
constexpr int kJobColumnWidth = 35;
constexpr int kDurationColumnWidth = 70;
constexpr std::int64_t kMsPerDay = 86400000;

void InputLimit(const char* caption, std::int32_t seconds, TJobScheduler& scheduler,
                void (TJobScheduler::*set)(std::int32_t)) {
  int minutes = seconds / 60;
  if (Dialogs().InputInteger(caption, "Change to:", 0, 2147483647, minutes)) (scheduler.*set)(minutes);
}

}  // namespace

std::string JobTimeText(double date_time) {
  const double fraction = date_time - std::floor(date_time);
  std::int64_t ms = std::llround(fraction * kMsPerDay) % kMsPerDay;
  const std::int64_t seconds = ms / 1000;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

TVYKJobsForm::TVYKJobsForm(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setWindowTitle("Jobs");
  jobs_list_ = new QTreeWidget(this);
  jobs_list_->setRootIsDecorated(false);
  jobs_list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  jobs_list_->setHeaderLabels({"Job", "Start at", "Finished at", "Duration"});
  jobs_list_->header()->setStretchLastSection(false);
  jobs_list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  jobs_list_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  jobs_list_->setColumnWidth(0, kJobColumnWidth);
  jobs_list_->setColumnWidth(3, kDurationColumnWidth);

  jobs_paused_ = new QLabel(" Jobs paused", this);
  jobs_paused_->setFixedHeight(0);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(jobs_list_);
  layout->addWidget(jobs_paused_);

  auto* menu = new QMenu(this);
  connect(menu->addAction("&Cancel all jobs"), &QAction::triggered, this,
          [this] { GuardedCommand([this] { CancelAllJobsCommand(); }); });
  pause_action_ = menu->addAction("&Pause jobs control");
  connect(pause_action_, &QAction::triggered, this,
          [this] { GuardedCommand([this] { PauseJobsControlCommand(); }); });
  connect(menu->addAction("Set maximum time for &job"), &QAction::triggered, this,
          [this] { GuardedCommand([this] { SetMaximumTimeForJobCommand(); }); });
  connect(menu->addAction("Set maximum time for all job&s"), &QAction::triggered, this,
          [this] { GuardedCommand([this] { SetMaximumTimeForAllJobsCommand(); }); });
  jobs_list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(jobs_list_, &QWidget::customContextMenuRequested, this,
          [this, menu](const QPoint& point) { menu->popup(jobs_list_->viewport()->mapToGlobal(point)); });
  resize(320, 200);
}

void TVYKJobsForm::ClearJobs(bool paused) {
  jobs_list_->clear();
  row_index_ = 0;
  start_time_ = 0;
  ShowPaused(paused);
}

void TVYKJobsForm::AddJob(const std::string& name) {
  new QTreeWidgetItem(jobs_list_, QStringList{QString::fromStdString(name)});
}

void TVYKJobsForm::AppendToCurrentRow(const std::string& text) {
  QTreeWidgetItem* row = jobs_list_->topLevelItem(row_index_);
  if (row == nullptr) return;
  int column = 1;
  while (column < row->columnCount() && !row->text(column).isEmpty()) ++column;
  row->setText(column, QString::fromStdString(text));
}

void TVYKJobsForm::StartCurrentJob(double now) {
  start_time_ = now;
  AppendToCurrentRow(JobTimeText(now));
}

void TVYKJobsForm::FinishCurrentJob(double now) {
  if (start_time_ == 0) return;
  AppendToCurrentRow(JobTimeText(now));
  AppendToCurrentRow(JobTimeText(now - start_time_));
  // Stamped once: a job that failed to load is finished at once, and the next job's start finishes
  // nothing more.
  start_time_ = 0.0;
  ++row_index_;
}

void TVYKJobsForm::ShowPaused(bool paused) {
  pause_action_->setText(paused ? "&Resume jobs control" : "&Pause jobs control");
  jobs_paused_->setFixedHeight(paused ? kPausedHeight : 0);
}

void TVYKJobsForm::CancelAllJobsCommand() {
  if (scheduler_ != nullptr) scheduler_->CancelAllJobs();
}

void TVYKJobsForm::PauseJobsControlCommand() {
  if (scheduler_ != nullptr) scheduler_->PauseResumeJobs();
}

void TVYKJobsForm::SetMaximumTimeForJobCommand() {
  if (scheduler_ == nullptr) return;
  InputLimit("Set maximum allowed minutes for one job", scheduler_->JobMaxSeconds, *scheduler_,
             &TJobScheduler::SetJobMaxMinutes);
}

void TVYKJobsForm::SetMaximumTimeForAllJobsCommand() {
  if (scheduler_ == nullptr) return;
  InputLimit("Set maximum allowed minutes for all jobs", scheduler_->JobsMaxSeconds, *scheduler_,
             &TJobScheduler::SetJobsMaxMinutes);
}

}  // namespace zentrova
