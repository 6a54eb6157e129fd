// The batch loop's view of the window: status label, progress bar and event processing.
#include "ui/window_batch_observer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace lumivex::ui {

void WindowBatchObserver::showStatus(const std::string& text) {
  if (status_) status_->setText(QString::fromStdString(text));
}

void WindowBatchObserver::drawProgress(double fraction) {
  if (progress_) progress_->DrawProgress(fraction);
}

void WindowBatchObserver::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void WindowBatchObserver::pause(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace lumivex::ui
