// zentrova: the windowed program. Opens worlds, runs and replays them in its 3D view.
#include <QtWidgets/QApplication>

#include "app/app_dialogs.h"
#include "app/job_file.h"
#include "app/main_window.h"
#include "app/qt_message_sink.h"
#include "app/scene_classes.h"
#include "platform/paths.h"
#include "scene/gl/egl_context.h"
#include "scene/qt/qt_dialogs.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Zentrova");
  zentrova::RegisterEGLContextClass();
  zentrova::RegisterSceneClasses();
  zentrova::TQtAppDialogs dialogs;
  zentrova::TVYKForm form(dialogs);
  // The dialogs and message boxes of the engine and the scene are modal to the main window.
  zentrova::TQtDialogs shared_dialogs(&form);
  zentrova::TQtMessageSink messages(&form);
  zentrova::IDialogs* previous_dialogs = zentrova::SetDialogs(&shared_dialogs);
  zentrova::IMessageSink* previous_messages = zentrova::SetMessageSink(&messages);
  form.show();
  // One argument names a job file, relative to the current directory unless absolute.
  if (argc == 2) form.OpenJobFile(zentrova::JobFileArgumentPath(argv[1], zentrova::CurrentDirectory()));
  const int status = application.exec();
  zentrova::SetMessageSink(previous_messages);
  zentrova::SetDialogs(previous_dialogs);
  return status;
}
