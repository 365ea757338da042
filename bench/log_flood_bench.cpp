// A script that logs as fast as it can, in the window and in qvrun side by
// side: the time until every line is in the window's log, how long the
// window's event loop went without a turn meanwhile (a 10 ms heartbeat
// timer), and the ratio to qvrun writing the same lines to /dev/null.
//
//   QT_QPA_PLATFORM=offscreen log_flood_bench [lines]   (default 1000000)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "library/files/paths.h"
#include "shell/main_window.h"
#include "shell/start_up.h"
#include "support/text.h"

int main(int argc, char** argv) {
  const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  qv::shell::RegisterModules();

  QTemporaryDir tmp;
  const QString appFolder = tmp.path() + "/";
  QFile script(appFolder + "qv.qvs");
  if (!script.open(QIODevice::WriteOnly)) return 1;
  script.write("#language js\nfor (var i = 1; i <= " + QByteArray::number(static_cast<qlonglong>(lines)) +
               "; i++) lg(\"line \" + IntToStr(i));\n");
  script.close();
  QDir::setCurrent(tmp.path());
  qv::library::SetAppPath(qv::FromUtf8(appFolder.toStdString()));

  double windowMs = 0;
  qint64 longestGap = 0;
  {
    qv::shell::TScriptMainFrm window(qv::FromUtf8(appFolder.toStdString()));
    window.show();
    QElapsedTimer sinceBeat;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceBeat.restart()); });
    QElapsedTimer clock;
    clock.start();
    sinceBeat.start();
    heartbeat.start();
    window.findChild<QPushButton*>("RunScript")->click();
    while (window.IsRunning()) app.processEvents(QEventLoop::WaitForMoreEvents, 50);
    window.Bridge().FlushLog();
    windowMs = clock.nsecsElapsed() / 1e6;
    heartbeat.stop();
  }

  // The peer: the headless runner, its log thrown away.
  const std::string command =
      std::string(QV_QVRUN) + " --plain " + (appFolder + "qv.qvs").toStdString() + " > /dev/null";
  auto start = std::chrono::steady_clock::now();
  int status = std::system(command.c_str());
  double qvrunMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

  std::printf("lines logged:            %ld\n", lines);
  std::printf("window, all lines shown: %.0f ms (%.2f us/line)\n", windowMs, windowMs * 1000 / lines);
  std::printf("window, longest event-loop gap: %lld ms\n", static_cast<long long>(longestGap));
  std::printf("qvrun > /dev/null:       %.0f ms (exit %d)\n", qvrunMs, status);
  std::printf("ratio window / qvrun:    %.2f\n", windowMs / qvrunMs);
  return 0;
}
