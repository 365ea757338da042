// quorvint: the desktop window. It reads no command-line arguments.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "shell/app_folder.h"
#include "shell/main_window.h"
#include "shell/start_up.h"
#include "support/memory_policy.h"

int main(int argc, char** argv) {
  qv::RestartWithHugePageBlocks(argv);
  qv::ApplyMemoryPolicy();
  // Command-line arguments are not read, not even Qt's own options.
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication app(qtArgc, argv);
  qv::shell::RegisterModules();
  const std::u16string appFolder = qv::shell::InitAppFolder(
      QCoreApplication::applicationDirPath().toStdString(), qv::shell::StarterScript());

  qv::shell::TScriptMainFrm window(appFolder);
  window.show();
  int status = app.exec();
  // Scripts still running end with the process.
  if (!window.EndScriptThreads(2000)) {
    std::fflush(nullptr);
    std::_Exit(status);
  }
  return status;
}
