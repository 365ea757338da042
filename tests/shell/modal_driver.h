// Answers the next modal dialog from the test: polls until one is shown,
// then hands it to `answer`.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace qv::shell::testing {

template <class Dialog>
void AnswerNext(std::function<void(Dialog*)> answer) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    if (auto* modal = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      answer(modal);
    }
  });
  timer->start();
}

inline void PressButton(QMessageBox::StandardButton which) {
  AnswerNext<QMessageBox>([which](QMessageBox* box) { box->button(which)->click(); });
}

// Types `name` into the next file dialog and confirms, or cancels it when
// `name` is empty.
inline void ChooseInFileDialog(const QString& name) {
  AnswerNext<QFileDialog>([name](QFileDialog* dialog) {
    if (name.isEmpty()) {
      dialog->reject();
    } else {
      dialog->selectFile(name);
      QMetaObject::invokeMethod(dialog, "accept");
    }
  });
}

}  // namespace qv::shell::testing
