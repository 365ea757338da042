// quorvint [FILE]: the desktop window. With FILE (a double-clicked .qvs
// file: the desktop entry passes it), Run runs FILE and its folder is the
// application folder; without, Run runs qv.qvs of the application folder.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>

#include "shell/app_folder.h"
#include "shell/main_window.h"
#include "shell/start_up.h"
#include "support/memory_policy.h"

int main(int argc, char** argv) {
  qv::RestartWithHugePageBlocks(argv);
  qv::ApplyMemoryPolicy();
  // The one argument is the script; Qt's own options are not read.
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication app(qtArgc, argv);
  QApplication::setWindowIcon(QIcon(":/quorvint/quorvint.svg"));
  qv::shell::RegisterModules();
  std::u16string appFolder;
  std::u16string scriptFile;
  if (argc > 1) {
    appFolder = qv::shell::InitScriptFolder(argv[1], scriptFile);
  } else {
    appFolder = qv::shell::InitAppFolder(QCoreApplication::applicationDirPath().toStdString(),
                                         qv::shell::StarterScript());
  }

  qv::shell::TScriptMainFrm window(appFolder, nullptr, scriptFile);
  window.show();
  int status = app.exec();
  // Scripts still running end with the process.
  if (!window.EndScriptThreads(2000)) {
    std::fflush(nullptr);
    std::_Exit(status);
  }
  return status;
}
