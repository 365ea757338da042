#include "shell/start_up.h"

#include <QFile>
#include <mutex>

#include "engine/engine.h"
#include "library/functions.h"

namespace qv::shell {

void RegisterModules() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterSysLibraryModule();
    RegisterClassesModule();
    RegisterFunctionsModule();
  });
}

std::string StarterScript() {
  QFile file(":/quorvint/qv.qvs");
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

}  // namespace qv::shell
