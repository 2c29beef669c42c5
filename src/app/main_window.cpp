#include "app/main_window.h"

#include <QtGui/QCloseEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>

#include <cmath>
#include <exception>
#include <filesystem>
#include <utility>

#include "app/about_window.h"
#include "app/app_dialogs.h"
#include "app/control_form.h"
#include "app/emf_writer.h"
#include "app/guarded_command.h"
#include "app/image_list.h"
#include "app/jobs_window.h"
#include "app/log_window.h"
#include "app/plot_window.h"
#include "engine/scene/main_scene.h"
#include "engine/step/driver.h"
#include "engine/world/model.h"
#include "engine/world/world.h"
#include "platform/dialogs.h"
#include "platform/message_sink.h"
#include "platform/number_text.h"
#include "scene/avi/avi_recorder.h"
#include "scene/core/camera.h"
#include "scene/core/stage.h"
#include "scene/pictures/picture.h"
#include "scene/qt/stage_viewer.h"

namespace zentrova {

namespace {

constexpr float kWheelBase = 1.1f;
constexpr float kPanFactor = 0.12f;
// The system colour of button faces, and white: the two backgrounds the B key switches between.
constexpr TColor kButtonFaceColor = SystemColorValue(15);
constexpr TColor kWhite = 0xFFFFFF;
constexpr int kPointerHelpSteps = 20;
constexpr int kLargestChange = 32767;

// A widget of the window itself, not of a dialog or tool window above it.
bool InWindow(const QObject* object, const QWidget* window) {
  return object->isWidgetType() && static_cast<const QWidget*>(object)->window() == window;
}

// A text answer as an integer, or the conversion error's message box.
bool AnswerToInt(const std::string& text, std::int32_t& value) {
  if (TryTextToInt(text, value)) return true;
  ShowMessage("'" + text + "' is not a valid integer value.");
  return false;
}

}  // namespace

template <class F>
void TVYKForm::Guarded(F&& command) {
  GuardedCommand(std::forward<F>(command));
}

TVYKForm::TVYKForm(IAppDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      scene_(std::make_unique<TMainScene>()),
      recorder_(std::make_unique<TAVIRecorder>()),
      log_form_(std::make_unique<TVYKLogForm>()),
      control_form_(std::make_unique<TVYKControlForm>(*this, dialogs)),
      plot_window_(std::make_unique<TVYKPlotWatches>()),
      about_(std::make_unique<TVYKAbout>(this)) {
  setWindowTitle("Zentrova");
  camera_ = &scene_->Camera();
  camera_carrier_ = scene_->FindObject("GLDummyCubeForCamera");
  pointer_ = scene_->FindObject("GLPointer");
  pointer_help_ = scene_->FindObject("GLPointerHelp");
  viewer_ = new TGLStageViewer(this);
  viewer_->setObjectName("GLStageViewer1");
  viewer_->SetCamera(camera_);
  viewer_->Buffer().SetBackgroundColor(kButtonFaceColor);
  viewer_->installEventFilter(this);
  setCentralWidget(viewer_);
  scene_->OnRepaint = [this] { viewer_->repaint(); };
  CreateActions();
  CreateStatusLine();
  CreateJobControl();
  recorder_->SetFPS(20);
  recorder_->SetWidth(744);
  recorder_->SetHeight(440);
  recorder_->SetGLStageViewer(viewer_);
  qApp->installEventFilter(this);
  resize(760, 560);
}

TVYKForm::~TVYKForm() {
  qApp->removeEventFilter(this);
  if (simulation_running_) SetButtonImage("ControlButton", kImageStopped);
  StopAndJoin();
  recorder_->SetGLStageViewer(nullptr);
  if (recorder_->Recording()) recorder_->CloseFile(false);
  driver_.reset();
  scene_->OnRepaint = nullptr;
  // The viewer (a child widget) outlives the members: it must no longer look at the scene that goes first.
  viewer_->SetCamera(nullptr);
}

// --- Scene --------------------------------------------------------------------------------------------

TGLCamera* TVYKForm::Camera() const { return camera_; }

TGLBaseSceneObject* TVYKForm::SceneObject(const std::string& name) const {
  return scene_->FindObject(name);
}

// --- Window layout ------------------------------------------------------------------------------------

QAction* TVYKForm::AddAction(const std::string& name, const QString& text) {
  auto* action = new QAction(text, this);
  action->setObjectName(QString::fromStdString(name));
  return action;
}

QAction* TVYKForm::Action(const std::string& name) const {
  return findChild<QAction*>(QString::fromStdString(name));
}

void TVYKForm::SetButtonImage(const std::string& name, int image) {
  QAction* action = Action(name);
  if (action == nullptr) return;
  action->setData(image);
  action->setIcon(CommonImage(image));
}

int TVYKForm::ButtonImage(const std::string& name) const {
  QAction* action = Action(name);
  return action != nullptr ? action->data().toInt() : -1;
}

void TVYKForm::CreateActions() {
  QToolBar* bar = addToolBar("Tools");
  bar->setObjectName("ToolBar1");
  auto command = [this](QAction* action, auto handler) {
    connect(action, &QAction::triggered, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };

  QAction* open = AddAction("OpenWorldFileButton", "&Open");
  command(open, &TVYKForm::OpenWorldFile);
  QAction* open_job = AddAction("OpenJobFileButton", "Open &Job");
  command(open_job, &TVYKForm::OpenJobFileCommand);
  QAction* reload = AddAction("ReloadWorldFileButton", "&Reload");
  reload->setEnabled(false);
  command(reload, &TVYKForm::ReloadWorldFile);
  QAction* jobs_button = AddAction("ShowHideJobsWindowButton", "Jobs");
  QAction* tree_button = AddAction("ShowHideControlTreeButton", "Control Tree");
  QAction* files_button = AddAction("ShowHideHistoryFilesButton", "History Files");
  command(jobs_button, &TVYKForm::ShowHideJobsWindow);
  command(files_button, &TVYKForm::ShowHideHistoryFiles);
  QAction* log_button = AddAction("ShowHideLogWindowButton", "Log");
  command(log_button, &TVYKForm::ShowHideLogWindow);
  command(tree_button, &TVYKForm::ShowHideControlTree);
  for (QAction* a : {jobs_button, tree_button, files_button, log_button}) a->setEnabled(false);
  QAction* control = AddAction("ControlButton", "Run");
  control->setEnabled(false);
  connect(control, &QAction::triggered, this, [this] { Guarded([this] { ToggleSimulation(); }); });
  QAction* avi = AddAction("AVIRecord", "Record");
  avi->setEnabled(false);
  command(avi, &TVYKForm::RecordAvi);
  QAction* photo = AddAction("Photo", "Photo");
  photo->setEnabled(false);
  command(photo, &TVYKForm::TakeSnapshot);

  bar->addAction(open);
  bar->addAction(open_job);
  bar->addAction(reload);
  bar->addSeparator();
  for (QAction* a : {jobs_button, tree_button, files_button, log_button}) bar->addAction(a);
  bar->addSeparator();
  bar->addAction(control);
  auto* gap = new QWidget(bar);
  gap->setFixedWidth(50);
  bar->addWidget(gap);
  bar->addAction(avi);
  bar->addAction(photo);
  SetButtonImage("ControlButton", kImageStopped);
  SetButtonImage("AVIRecord", kImageAviIdle);

  QMenu* file = menuBar()->addMenu("&File");
  QAction* file_open = AddAction("FileOpen", "&Open");
  command(file_open, &TVYKForm::OpenWorldFile);
  QAction* file_open_job = AddAction("FileOpenJob", "Open &Job");
  command(file_open_job, &TVYKForm::OpenJobFileCommand);
  QAction* file_reload = AddAction("FileReload", "&Reload");
  file_reload->setEnabled(false);
  command(file_reload, &TVYKForm::ReloadWorldFile);
  QAction* file_exit = AddAction("FileExit", "&Exit");
  connect(file_exit, &QAction::triggered, this, &QWidget::close);
  file->addAction(file_open);
  file->addAction(file_open_job);
  file->addAction(file_reload);
  file->addSeparator();
  file->addAction(file_exit);

  QMenu* view = menuBar()->addMenu("&View");
  QAction* view_tree = AddAction("ViewControlTree", "Hide &Control Tree");
  command(view_tree, &TVYKForm::ShowHideControlTree);
  QAction* view_files = AddAction("ViewHistoryFiles", "Hide &History Files");
  QAction* view_log = AddAction("ViewLogWindow", "Hide &Log Window");
  command(view_log, &TVYKForm::ShowHideLogWindow);
  QAction* view_jobs = AddAction("ViewJobsWindow", "Hide &Jobs Window");
  command(view_files, &TVYKForm::ShowHideHistoryFiles);
  command(view_jobs, &TVYKForm::ShowHideJobsWindow);
  for (QAction* a : {view_tree, view_files, view_log, view_jobs}) {
    a->setEnabled(false);
    view->addAction(a);
  }

  QMenu* help = menuBar()->addMenu("&Help");
  QAction* about = AddAction("HelpAbout", "&About");
  command(about, &TVYKForm::ShowAbout);
  help->addAction(about);
}

void TVYKForm::CreateStatusLine() {
  QStatusBar* status = statusBar();
  frames_per_second_ = new QSpinBox(status);
  frames_per_second_->setObjectName("framesPerSecond");
  frames_per_second_->setRange(0, 50);
  frames_per_second_->setValue(10);
  frames_per_second_->setToolTip("Frames per second.");
  // The value, clamped into 0..50 by the spin box, is what the run reads; typed text that is no number
  // never reaches it.
  connect(frames_per_second_, &QSpinBox::valueChanged, this, [this](int value) { FramesPerSecond = value; });
  status->addWidget(frames_per_second_);
  status->addWidget(new QLabel("fps", status));

  history_spin_ = new QSpinBox(status);
  history_spin_->setObjectName("HistorySpin");
  history_spin_->setRange(0, 50);
  connect(history_spin_, &QSpinBox::valueChanged, this,
          [this](int value) { Guarded([this, value] { HistorySpinChange(value); }); });
  status->addWidget(history_spin_);

  history_bar_ = new QScrollBar(Qt::Horizontal, status);
  history_bar_->setObjectName("HistoryBar");
  history_bar_->setRange(0, 0);
  history_bar_->setPageStep(100);
  history_bar_->setMinimumWidth(200);
  connect(history_bar_, &QScrollBar::valueChanged, this,
          [this](int position) { Guarded([this, position] { HistoryBarChange(position); }); });
  history_bar_menu_ = new QMenu(history_bar_);
  history_bar_menu_->setObjectName("HistoryBarChangeSpeed");
  QAction* large = history_bar_menu_->addAction("&Large change");
  large->setObjectName("LargeChange");
  connect(large, &QAction::triggered, this, [this] { Guarded([this] { ChangeLargeStep(); }); });
  QAction* small = history_bar_menu_->addAction("&Small change");
  small->setObjectName("SmallChange");
  connect(small, &QAction::triggered, this, [this] { Guarded([this] { ChangeSmallStep(); }); });
  history_bar_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(history_bar_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { history_bar_menu_->popup(history_bar_->mapToGlobal(at)); });
  status->addWidget(history_bar_, 1);

  time_now_ = new QLineEdit(status);
  time_now_->setObjectName("timeNow");
  energy_now_ = new QLineEdit(status);
  energy_now_->setObjectName("mechanicalEnergyNow");
  for (auto [field, unit] : {std::pair{time_now_, "s"}, std::pair{energy_now_, "J"}}) {
    field->setReadOnly(true);
    field->setMinimumWidth(140);
    status->addWidget(field);
    status->addWidget(new QLabel(unit, status));
  }
  for (QWidget* w : std::initializer_list<QWidget*>{frames_per_second_, history_spin_, history_bar_, time_now_,
                                                    energy_now_}) {
    w->setEnabled(false);
  }
}

// --- Worlds -------------------------------------------------------------------------------------------

bool TVYKForm::LoadWorld(const std::string& world_file, const std::string& history_name,
                         const std::string& start_history_name) {
  // The driver goes with the old world: its run must be over first.
  StopAndJoin();
  try {
    ClearWorld();
    driver_ = std::make_unique<TVYKMain>();
    ++load_count_;
    driver_->Log().SetWindow(log_feed_.get());
    TWorld& world = driver_->World();
    world.Model().History.SetWindows(history_files_form_.get(), log_form_.get());
    world.View = scene_.get();
    world.ControlTree = control_form_.get();
    world.PlotWindow = plot_window_.get();
    std::string history = history_name;
    const bool loaded = driver_->LoadWorld(world_file, history, start_history_name);
    world_loaded_ = loaded;
    if (loaded) {
      driver_->Log().MaxLines = jobs_->MaxLinesInLog;
      SetCameraTarget(0);
      EnableControls(true);
      const std::string world_name = std::filesystem::path(world_file).stem().string();
      setWindowTitle(QString::fromStdString("Zentrova: " + world_name + " [" +
                                            driver_->World().Model().History.ShortName + "]"));
      if (!history_files_form_->isVisible()) ShowHideHistoryFiles();
      if (!control_form_->isVisible()) ShowHideControlTree();
      if (!log_form_->isVisible()) ShowHideLogWindow();
    } else {
      // The nodes of a world that did not load would command nothing.
      control_form_->Clear();
    }
    UpdateView();
    return loaded;
  } catch (...) {
    if (!log_form_->isVisible()) log_form_->show();
    throw;
  }
}

void TVYKForm::ClearWorld() {
  if (history_bar_->isEnabled()) {
    history_bar_->setValue(0);
    history_bar_->setMaximum(0);
  }
  if (history_spin_->isEnabled()) {
    history_spin_->setValue(0);
    history_spin_->setMaximum(0);
  }
  EnableControls(false);
  world_loaded_ = false;
  setWindowTitle("Zentrova");
  driver_.reset();
  log_form_->Clear();
  control_form_->Clear();
  scene_->Clear();
  history_files_form_->ClearList();
  time_now_->clear();
  energy_now_->clear();
  last_frame_ = {};
}

void TVYKForm::EnableControls(bool enable) {
  for (const char* name : {"ViewHistoryFiles", "ViewControlTree", "ViewLogWindow", "ShowHideHistoryFilesButton",
                           "ShowHideControlTreeButton", "ShowHideLogWindowButton", "ControlButton",
                           "ReloadWorldFileButton", "Photo", "AVIRecord"}) {
    if (QAction* action = Action(name)) action->setEnabled(enable);
  }
  for (QWidget* w : std::initializer_list<QWidget*>{frames_per_second_, history_bar_, history_spin_, time_now_,
                                                    energy_now_}) {
    w->setEnabled(enable);
  }
  // Once a world was loaded, Reload stays available in the menu.
  Action("FileReload")->setEnabled(isEnabled());
}

void TVYKForm::SetCameraTarget(std::int32_t body_index) {
  scene_->SetPointerVisible(false);
  if (driver_ == nullptr) return;
  const TBodyList& bodies = driver_->World().Model().Bodies;
  if (body_index < 0 || body_index >= bodies.Count()) return;
  // The shape type is read in any letter case.
  if (bodies.Items(body_index).HasShape) scene_->AimCameraAtBody(body_index);
}

// --- Runs ---------------------------------------------------------------------------------------------

TViewFrame TVYKForm::CurrentFrame() const {
  if (simulation_running_ || driver_ == nullptr) return last_frame_;
  return driver_->World().MakeViewFrame();
}

bool TVYKForm::UpdateView() { return UpdateViewFrom(CurrentFrame()); }

bool TVYKForm::UpdateViewFrom(const TViewFrame& frame) {
  if (Closing) return false;
  last_frame_ = frame;
  // While a run steps the scene shows its frames; otherwise the bodies follow the world.
  if (driver_ != nullptr && !simulation_running_) driver_->World().RefreshBodies();
  viewer_->update();
  if (driver_ != nullptr) {
    time_now_->setText(QString::fromStdString(FloatToText(frame.Time)));
    energy_now_->setText(QString::fromStdString(FloatToText(frame.MechanicalEnergy)));
  }
  if (frame.StoredStates > 1) {
    const int last = static_cast<int>(frame.StoredStates - 1);
    history_bar_->setMaximum(last);
    history_bar_->setValue(static_cast<int>(frame.CurrentState));
    history_spin_->setMaximum(last);
    history_spin_->setValue(static_cast<int>(frame.CurrentState));
  } else {
    // No state to go to: the spin offers none.
    history_spin_->setMaximum(0);
  }
  SetButtonImage("ControlButton", simulation_running_ ? kImageRunning : kImageStopped);
  if (!world_loaded_) {
    Action("AVIRecord")->setEnabled(false);
  } else if (frame.StoredStates != 0) {
    Action("AVIRecord")->setEnabled(true);
  }
  return true;
}

void TVYKForm::AfterRun() {
  if (Closing) return;
  UpdateView();
  if (driver_ == nullptr) {
    Action("AVIRecord")->setEnabled(false);
    return;
  }
  const TStepState& state = driver_->World().State;
  // A maximum below the position moves the position, and the bar's handler then shows that state.
  if (state.StoredStateCount > 1) history_bar_->setMaximum(static_cast<int>(state.StoredStateCount - 1));
  history_bar_->setValue(static_cast<int>(state.CurrentState));
  if (state.StoredStateCount > 1) history_spin_->setMaximum(static_cast<int>(state.StoredStateCount - 1));
  history_spin_->setValue(static_cast<int>(state.CurrentState));
  // A bar that the run's last frame had clamped already sends no change: the state past the last kept
  // one is still shown, so the bar's position is shown explicitly.
  if (state.StoredStateCount > 1 && state.CurrentState != static_cast<std::uint32_t>(history_bar_->value())) {
    HistoryBarChange(history_bar_->value());
  }
  if (!driver_->AviRecording) SetButtonImage("AVIRecord", kImageAviIdle);
}

bool TVYKForm::ToggleSimulation() {
  if (simulation_running_) {
    loop_thread_->RequestStop();
    UpdateView();
    simulation_running_ = false;
    FinishRun();
    return true;
  }
  // A world that did not load has nothing to run and no history to add to.
  if (!world_loaded_) return false;
  // A thread that ended by itself but whose notice has not arrived yet is wound up first.
  if (loop_thread_ != nullptr) FinishRun();
  mailbox_.Drain();
  THistory& history = driver_->World().Model().History;
  const std::vector<std::string> log = history.Log();
  if (!jobs_->JobsActive && (log.size() < 2 || log[1].empty())) {
    std::string comment;
    if (!dialogs_.InputText("Short comment of the analysis", "Short comment:", comment)) return false;
    if (comment.empty()) comment = "-";
    history.SetLogLine(comment, 1);
    history.AddLogLine("***********");
  }
  simulation_running_ = true;
  TRunSettings settings;
  settings.FramesPerSecond = &FramesPerSecond;
  settings.PausedSeconds = &jobs_->PausedSeconds;
  settings.MaxSeconds = jobs_->JobMaxSeconds;
  settings.Recorder = recorder_.get();
  loop_thread_ = std::make_unique<TLoopThread>(*driver_, *this, mailbox_, settings);
  driver_->World().HidePointer();
  last_frame_ = driver_->World().MakeViewFrame();
  UpdateView();
  loop_thread_->Start();
  return true;
}

void TVYKForm::FinishRun() {
  if (loop_thread_ == nullptr) return;
  loop_thread_->Join();
  last_run_failed_ = loop_thread_->Failed();
  // Records lost to a full disk must not pass unseen in the log. Unattended jobs are not held up by a
  // box: their log line counts the job as failed.
  const bool show_failure = loop_thread_->Stop() == TRunStop::WriteFailed && !jobs_->JobsActive && !Closing;
  const std::string write_failure = show_failure ? loop_thread_->StopReason() : std::string();
  loop_thread_.reset();
  if (recorder_->Recording()) recorder_->CloseFile(false);
  simulation_running_ = false;
  AfterRun();
  if (!write_failure.empty()) ShowMessage(write_failure);
}

void TVYKForm::StopAndJoin() {
  if (loop_thread_ == nullptr) return;
  loop_thread_->RequestStop();
  FinishRun();
}

void TVYKForm::ShowFrame(const TViewFrame& frame) {
  // A frame that arrives after its run was wound up shows nothing the world does not show already.
  if (!simulation_running_ || Closing) return;
  scene_->ApplyFrame(frame);
  UpdateViewFrom(frame);
}

void TVYKForm::RunEnded() {
  // A notice of a run that a stop already wound up is stale.
  if (loop_thread_ == nullptr || !loop_thread_->Finished()) return;
  simulation_running_ = false;
  FinishRun();
}

// --- History ------------------------------------------------------------------------------------------

void TVYKForm::HistoryBarChange(int position) {
  if (Closing || !history_bar_->isEnabled() || history_changing_ || simulation_running_) return;
  history_changing_ = true;
  history_spin_->setValue(position);
  NavigateHistory(static_cast<std::uint32_t>(position));
  history_changing_ = false;
}

void TVYKForm::HistorySpinChange(int value) {
  if (!history_spin_->isEnabled() || history_changing_ || simulation_running_) return;
  history_changing_ = true;
  history_bar_->setValue(value);
  NavigateHistory(static_cast<std::uint32_t>(value));
  history_changing_ = false;
}

void TVYKForm::NavigateHistory(std::uint32_t index) {
  if (driver_ == nullptr) return;
  driver_->World().State.CurrentState = index;
  driver_->ShowHistoryPoint();
  UpdateView();
}

void TVYKForm::ChangeLargeStep() {
  std::string text = std::to_string(history_bar_->pageStep());
  if (!dialogs_.InputText("Enter large change step", "Large change =", text) || text.empty()) return;
  std::int32_t value = 0;
  if (!AnswerToInt(text, value)) return;
  if (value < 1 || value > kLargestChange) {
    ShowMessage("The large change must lie in 1 to 32767.");
    return;
  }
  history_bar_->setPageStep(value);
}

void TVYKForm::ChangeSmallStep() {
  std::string text = std::to_string(history_bar_->singleStep());
  if (!dialogs_.InputText("Enter small change step", "Small change =", text) || text.empty()) return;
  std::int32_t value = 0;
  if (!AnswerToInt(text, value)) return;
  if (value < 1 || value > kLargestChange) {
    ShowMessage("The small change must lie in 1 to 32767.");
    return;
  }
  history_bar_->setSingleStep(value);
}

// --- Commands -----------------------------------------------------------------------------------------

void TVYKForm::OpenWorldFile() {
  std::string file;
  if (!dialogs_.OpenFile("Open", "World files (*.wld)|*.wld|All (*)|*", file)) return;
  LoadWorld(file, "", "");
}

void TVYKForm::ReloadWorldFile() {
  if (driver_ == nullptr) return;
  const std::string file = driver_->World().UserWorldFilePath;
  if (file.empty()) return;
  LoadWorld(file, "", "");
}

void TVYKForm::TakeSnapshot() {
  const std::unique_ptr<TBitmap> bitmap = viewer_->CopyWindowToBitmap();
  TSaveDialogRequest request;
  request.Title = "Save snapshot";
  request.DefaultExt = ".emf";
  request.Filter = "Windows metafile (*.emf)|*.emf|All (*)|*";
  request.FileName = std::to_string(CurrentFrame().CurrentState) + ".emf";
  std::string file;
  if (!Dialogs().SaveFileDialog(request, file)) return;
  if (!SaveEmf(*bitmap, file)) ShowMessage("[Error] Could not write the snapshot " + file + ".");
}

void TVYKForm::RecordAvi() {
  if (!world_loaded_) return;
  // The recording moves the current state: a run that is active ends first.
  if (simulation_running_) ToggleSimulation();
  struct Box {
    const char* caption;
    const char* prompt;
    std::uint32_t* target;
  };
  const Box boxes[] = {{"Recording start frame", "Start frame =", &driver_->AviFirstState},
                       {"Recording end frame", "End frame =", &driver_->AviLastState},
                       {"Recording step", "Record frame step =", &driver_->AviFrameStep}};
  for (const Box& box : boxes) {
    std::string text;
    if (!dialogs_.InputText(box.caption, box.prompt, text) || text.empty()) return;
    std::int32_t value = 0;
    if (!AnswerToInt(text, value)) return;
    // A step of 0 would divide by zero in the run's frame test.
    if (value < 0 || (box.target == &driver_->AviFrameStep && value == 0)) {
      ShowMessage("'" + text + "' is not a valid integer value.");
      return;
    }
    *box.target = static_cast<std::uint32_t>(value);
  }
  // The film's first frame shows its own state, not the one shown before. A first frame past the recorded
  // states is reached by the run from the last of them.
  TStepState& state = driver_->World().State;
  if (driver_->AviFirstState < state.StoredStateCount) {
    state.CurrentState = driver_->AviFirstState;
  } else {
    state.CurrentState = state.StoredStateCount > 0 ? state.StoredStateCount - 1 : 0;
  }
  driver_->ShowHistoryPoint();
  UpdateView();
  if (!recorder_->OpenFile()) return;
  driver_->AviRecording = true;
  SetButtonImage("AVIRecord", kImageAviRecording);
  ToggleSimulation();
}

void TVYKForm::ToggleWindow(QWidget& window) {
  if (window.isVisible()) {
    window.hide();
  } else {
    window.show();
  }
}

void TVYKForm::ShowViewCaption(const QObject* window) {
  struct Item {
    const QWidget* window;
    const char* action;
    const char* caption;
  };
  const Item items[] = {{control_form_.get(), "ViewControlTree", "Control Tree"},
                        {history_files_form_.get(), "ViewHistoryFiles", "History Files"},
                        {log_form_.get(), "ViewLogWindow", "Log Window"},
                        {jobs_form_.get(), "ViewJobsWindow", "Jobs Window"}};
  for (const Item& item : items) {
    if (item.window != window) continue;
    if (QAction* action = Action(item.action)) {
      action->setText(QString::fromStdString((item.window->isVisible() ? "Hide &" : "Show &") +
                                             std::string(item.caption)));
    }
  }
}

void TVYKForm::ShowHideLogWindow() { ToggleWindow(*log_form_); }

void TVYKForm::ShowHideControlTree() { ToggleWindow(*control_form_); }

void TVYKForm::ShowAbout() { about_->exec(); }

// --- Control tree commands ---------------------------------------------------------------------------

TWorld* TVYKForm::CommandWorld() const { return world_loaded_ ? &driver_->World() : nullptr; }

std::int32_t TVYKForm::BodyIndex(const std::string& name) const {
  std::int32_t index = -1;
  if (TWorld* world = CommandWorld(); world == nullptr || !world->Model().Bodies.FindByName(name, index)) return -1;
  return index;
}

void TVYKForm::ToggleBoundingBoxTree(std::int32_t body) {
  // The boxes are computed from the body's live position, which a run moves on its own thread.
  if (simulation_running_) {
    ShowMessage("You need to stop the simulation.");
    return;
  }
  if (TWorld* world = CommandWorld()) world->ShowBoundingBoxTree(body);
}
void TVYKForm::ShowTextures() {
  if (TWorld* world = CommandWorld()) world->ShowTextures();
}
void TVYKForm::HideTextures() {
  if (TWorld* world = CommandWorld()) world->HideTextures();
}
void TVYKForm::ShowWireframeBodies() {
  if (TWorld* world = CommandWorld()) world->ShowWireframeBodies();
}
void TVYKForm::ShowFilledBodies() {
  if (TWorld* world = CommandWorld()) world->ShowFilledBodies();
}
void TVYKForm::ShowFlatBodies() {
  if (TWorld* world = CommandWorld()) world->ShowFlatBodies();
}
void TVYKForm::ShowThickBodies() {
  if (TWorld* world = CommandWorld()) world->ShowThickBodies();
}
void TVYKForm::ToggleContactWatches(std::int32_t body) {
  if (TWorld* world = CommandWorld()) world->ToggleContactWatches(body);
}
void TVYKForm::ToggleOrientationBoxSide(const std::string& caption) {
  if (TWorld* world = CommandWorld()) world->ToggleOrientationBoxSide(caption);
}
void TVYKForm::ShowAxes() {
  if (TWorld* world = CommandWorld()) world->ShowAxes();
}
void TVYKForm::HideAxes() {
  if (TWorld* world = CommandWorld()) world->HideAxes();
}
void TVYKForm::CreateNextVersion() {
  if (TWorld* world = CommandWorld()) world->CreateNextVersion();
}

double TVYKForm::Transparency(std::int32_t body) const {
  TWorld* world = CommandWorld();
  if (world == nullptr || body < 0 || body >= world->Model().Bodies.Count()) return 0;
  return static_cast<double>(world->Model().Bodies.Items(body).Transparency);
}

void TVYKForm::SetTransparency(std::int32_t body, double value) {
  TWorld* world = CommandWorld();
  if (world == nullptr || body < 0 || body >= world->Model().Bodies.Count()) return;
  TBody& b = world->Model().Bodies.Items(body);
  b.Transparency = value;
  b.UpdateAppearance(*scene_, body);
}

void TVYKForm::PlotWatches(std::int32_t body) {
  TWorld* world = CommandWorld();
  if (world == nullptr) return;
  plot_window_->SetBodyIndex(body);
  if (world->ShowPlotWatches(body)) plot_window_->show();
}

void TVYKForm::SetBreakAtCollisions(bool value) {
  if (driver_ != nullptr) driver_->Collisions().BreakAtCollisions = value;
}
void TVYKForm::SetShowCollisions(bool value) {
  if (driver_ != nullptr) driver_->Collisions().ShowCollisions = value;
}
void TVYKForm::SetShowOverPenetratingPoints(bool value) {
  if (driver_ != nullptr) driver_->Collisions().ShowOverPenetratingPoints = value;
}

void TVYKForm::ShowPointer() {
  if (TWorld* world = CommandWorld()) world->ShowPointer();
}
void TVYKForm::HidePointer() {
  if (TWorld* world = CommandWorld()) world->HidePointer();
}
void TVYKForm::IncreasePointerSize() {
  if (TWorld* world = CommandWorld()) world->IncreasePointerSize();
}
void TVYKForm::DecreasePointerSize() {
  if (TWorld* world = CommandWorld()) world->DecreasePointerSize();
}
void TVYKForm::MovePointerToOrigin() {
  if (TWorld* world = CommandWorld()) world->MovePointerToOrigin();
}

void TVYKForm::SetHistorySaving(bool each_time_step, bool at_collision) {
  if (TWorld* world = CommandWorld()) world->SetHistorySaving(each_time_step, at_collision);
}

bool TVYKForm::SetPivotTolerance(long double old_value, long double new_value) {
  TWorld* world = CommandWorld();
  return world != nullptr && world->SetPivotTolerance(old_value, new_value);
}

bool TVYKForm::SetLexicoZeroTolerance(long double, long double new_value) {
  TWorld* world = CommandWorld();
  return world != nullptr && world->SetLexicoZeroTolerance(new_value);
}

void TVYKForm::SetTryToSolveByGoingBack(bool value) {
  if (TWorld* world = CommandWorld()) world->SetTryToSolveByGoingBack(value);
}
void TVYKForm::SetLogLCPUnboundedRay(bool value) {
  if (TWorld* world = CommandWorld()) world->SetLogLCPUnboundedRay(value);
}
void TVYKForm::SetLogLCPMaximumIterations(bool value) {
  if (TWorld* world = CommandWorld()) world->SetLogLCPMaximumIterations(value);
}

void TVYKForm::Repaint() { viewer_->repaint(); }

// --- Events -------------------------------------------------------------------------------------------

void TVYKForm::closeEvent(QCloseEvent* event) {
  Closing = true;
  if (simulation_running_) ToggleSimulation();
  jobs_->ProgramClosing();
  log_form_->hide();
  plot_window_->hide();
  control_form_->hide();
  jobs_form_->hide();
  history_files_form_->hide();
  QMainWindow::closeEvent(event);
}

void TVYKForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (viewer_ == nullptr) return;
  viewer_->ResetFrameCounters();
  if (!recorder_->Recording()) {
    recorder_->SetWidth(viewer_->width());
    recorder_->SetHeight(viewer_->height());
  }
}

void TVYKForm::ScaleCameraDistance(float factor) {
  if (camera_ != nullptr) camera_->ScaleTargetDistance(factor);
}

void TVYKForm::ScaleSceneScale(float factor) {
  if (camera_ != nullptr) camera_->SetSceneScale(camera_->SceneScale() * factor);
}

void TVYKForm::wheelEvent(QWheelEvent* event) {
  const float factor = std::pow(kWheelBase, event->angleDelta().y() / 120.0f);
  if (event->modifiers() & Qt::ShiftModifier) {
    ScaleSceneScale(factor);
  } else {
    ScaleCameraDistance(factor);
  }
  event->accept();
}

bool TVYKForm::KeyPreview(QKeyEvent* event) {
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  switch (event->key()) {
    case Qt::Key_A:
      shift ? ScaleSceneScale(kWheelBase) : ScaleCameraDistance(1 / kWheelBase);
      return true;
    case Qt::Key_Y:
      shift ? ScaleSceneScale(1 / kWheelBase) : ScaleCameraDistance(kWheelBase);
      return true;
    case Qt::Key_S: {
      if (!world_loaded_) return true;
      long double& scale = driver_->World().Settings.WatchTextScale;
      std::string text = FloatToText(scale);
      if (dialogs_.InputText("Set new scale to", "Font scale:", text)) {
        long double value = 0;
        if (TryTextToFloat(text, value)) {
          scale = value;
        } else {
          ShowMessage("'" + text + "' is not a valid floating point value.");
        }
      }
      return true;
    }
    case Qt::Key_B: {
      TGLStageBuffer& buffer = viewer_->Buffer();
      buffer.SetBackgroundColor(buffer.BackgroundColor() == kButtonFaceColor ? kWhite : kButtonFaceColor);
      return true;
    }
    default:
      return false;
  }
}

TVector4f TVYKForm::DragPoint(int x, int y) const {
  TVector4f hit{0, 0, 0, 0};
  if (picked_ == nullptr) return hit;
  const TVector4f screen{static_cast<float>(x), static_cast<float>(viewer_->height() - y), 0, 1};
  TGLStageBuffer& buffer = viewer_->Buffer();
  const bool found = drag_plane_y_ ? buffer.ScreenRayHitPlaneY(screen, picked_->Position().Y(), hit)
                                   : buffer.ScreenRayHitPlaneZ(screen, picked_->Position().Z(), hit);
  return found ? hit : TVector4f{0, 0, 0, 0};
}

void TVYKForm::AnimatePointerHelp() {
  if (pointer_help_ == nullptr || pointer_ == nullptr) return;
  const TVector4f start = pointer_help_->Position().AsVector();
  const TVector4f end = pointer_->Position().AsVector();
  for (int i = 1; i <= kPointerHelpSteps; ++i) {
    const float f = static_cast<float>(i) / kPointerHelpSteps;
    {
      auto lock = scene_->Stage().Lock();
      pointer_help_->Position().SetPositionXYZ(start[0] + f * (end[0] - start[0]),
                                               start[1] + f * (end[1] - start[1]),
                                               start[2] + f * (end[2] - start[2]));
    }
    if (driver_ != nullptr && !simulation_running_) driver_->World().RefreshBodies();
    viewer_->repaint();
  }
}

bool TVYKForm::ViewerMouse(QEvent* event) {
  auto* mouse = static_cast<QMouseEvent*>(event);
  const int x = static_cast<int>(mouse->position().x()), y = static_cast<int>(mouse->position().y());
  const bool shift = mouse->modifiers() & Qt::ShiftModifier;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      mouse_x_ = x;
      mouse_y_ = y;
      dragging_pointer_ = false;
      picked_ = nullptr;
      if (pointer_ != nullptr && pointer_->Visible()) {
        drag_plane_y_ = shift;
        TGLBaseSceneObject* hit = viewer_->Buffer().ObjectAtPoint(x, y);
        if (hit != nullptr && hit->Name() == "GLPointer") {
          picked_ = hit;
          dragging_pointer_ = true;
          last_drag_point_ = DragPoint(x, y);
        }
      }
      return true;
    }
    case QEvent::MouseMove: {
      if (dragging_pointer_) {
        if (!(mouse->buttons() & Qt::LeftButton)) return true;
        if (shift != drag_plane_y_) {
          drag_plane_y_ = shift;
          last_drag_point_ = DragPoint(x, y);
        }
        const TVector4f p = DragPoint(x, y);
        const TVector4f& last = last_drag_point_;
        if (last[0] * last[0] + last[1] * last[1] + last[2] * last[2] != 0) {
          const TViewPoint at = scene_->PointerPosition();
          scene_->SetPointerPosition({at.X + p[0] - last[0], at.Y + p[1] - last[1], at.Z + p[2] - last[2]});
        }
        last_drag_point_ = p;
        return true;
      }
      const int dx = mouse_x_ - x, dy = mouse_y_ - y;
      mouse_x_ = x;
      mouse_y_ = y;
      if (camera_ == nullptr) return true;
      if (mouse->buttons() & Qt::LeftButton) {
        const float divisor = shift ? 60.0f : 3.0f;
        camera_->OrbitTarget(dy / divisor, dx / divisor);
      } else if (mouse->buttons() == Qt::RightButton && mouse->modifiers() == Qt::NoModifier) {
        const float ratio = camera_->TargetDistance() * kPanFactor / camera_->FocalLength();
        const TVector4f v = camera_->ScreenDeltaToPlaneXY(dx, -dy, ratio);
        if (camera_carrier_ != nullptr) camera_carrier_->Position().AddVector({v[0], v[1], v[2]});
        camera_->MarkTransformDirty();
      }
      return true;
    }
    case QEvent::MouseButtonRelease:
      if (dragging_pointer_) {
        dragging_pointer_ = false;
        AnimatePointerHelp();
      }
      return true;
    default:
      return false;
  }
}

bool TVYKForm::eventFilter(QObject* watched, QEvent* event) {
  // A tool window closed by its own title bar, or shown by any command: the View menu names what it does.
  if (event->type() == QEvent::Show || event->type() == QEvent::Hide) ShowViewCaption(watched);
  if (event->type() == QEvent::KeyPress && InWindow(watched, this)) {
    bool handled = false;
    Guarded([&] { handled = KeyPreview(static_cast<QKeyEvent*>(event)); });
    return handled;
  }
  if (watched == viewer_) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseMove:
      case QEvent::MouseButtonRelease: {
        bool handled = false;
        Guarded([&] { handled = ViewerMouse(event); });
        return handled;
      }
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace zentrova
