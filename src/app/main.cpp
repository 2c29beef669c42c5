// zentrova: the windowed program. Opens worlds, runs and replays them in its 3D view.
//
//   zentrova [JOBFILE]
//
// With a job file (relative to the current directory unless absolute) the program runs its jobs: every
// line its log receives is also written to stderr, and no message box waits for a click. Exit status after
// a job file: 0 when every job ran, 1 when a job could not be loaded, its run ended by an error or it never
// started, 2 when the job file could not be read or named no job. Without a display (no DISPLAY nor WAYLAND_DISPLAY, or
// QT_QPA_PLATFORM=offscreen) the jobs run on Qt's off-screen platform and the program ends after them,
// whatever exitAtFinish says; without a job file it has nothing to do there and ends at once (status 2).
#include <QtGui/QGuiApplication>
#include <QtWidgets/QApplication>

#include <cstdio>

#include "app/app_dialogs.h"
#include "app/batch_output.h"
#include "app/job_file.h"
#include "app/main_window.h"
#include "app/qt_message_sink.h"
#include "app/scene_classes.h"
#include "platform/line_file.h"
#include "platform/paths.h"
#include "scene/gl/egl_context.h"
#include "scene/qt/qt_dialogs.h"

namespace {

constexpr int kNothingToDo = 2;

void SayNoDisplay() {
  std::fputs(
      "zentrova: no display to show the window on; only a job file given on the command line runs "
      "without one.\n",
      stderr);
}

}  // namespace

int main(int argc, char** argv) {
  zentrova::LetFileSizeLimitFailWrites();
  const bool job_file_given = argc == 2;
  // Without a display Qt would abort; a job file can run on its off-screen platform.
  if (!zentrova::DisplayConfigured()) {
    if (!job_file_given) {
      SayNoDisplay();
      return kNothingToDo;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName("Zentrova");
  const bool unattended = zentrova::PlatformWithoutDisplay(QGuiApplication::platformName().toStdString());
  if (unattended && !job_file_given) {
    SayNoDisplay();
    return kNothingToDo;
  }
  zentrova::RegisterEGLContextClass();
  zentrova::RegisterSceneClasses();
  zentrova::TQtAppDialogs dialogs;
  zentrova::TVYKForm form(dialogs);
  // The dialogs and message boxes of the engine and the scene are modal to the main window.
  zentrova::TQtDialogs shared_dialogs(&form);
  zentrova::TQtMessageSink messages(&form);
  zentrova::TStderrLines output;
  zentrova::IDialogs* previous_dialogs = zentrova::SetDialogs(&shared_dialogs);
  zentrova::IMessageSink* previous_messages = zentrova::SetMessageSink(&messages);
  form.show();
  if (job_file_given) {
    messages.SetBatch(&output, !unattended);
    form.SetLogEcho(&output);
    form.Jobs().Unattended = unattended;
    form.OpenJobFile(zentrova::JobFileArgumentPath(argv[1], zentrova::CurrentDirectory()), true);
  }
  int status = application.exec();
  form.SetLogEcho(nullptr);
  zentrova::SetMessageSink(previous_messages);
  zentrova::SetDialogs(previous_dialogs);
  if (status == 0 && job_file_given) status = form.Jobs().ExitStatus();
  return status;
}
