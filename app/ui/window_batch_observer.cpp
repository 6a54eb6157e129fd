// The batch loop's view of the window: status label, progress bar and event processing.
#include "ui/window_batch_observer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

namespace lumivex::ui {

void WindowBatchObserver::showStatus(const std::string& text) {
  std::string shown = text.starts_with("Resizing ") && !place_.empty() ? text + "\n" + place_ : text;
  if (status_) status_->setText(QString::fromStdString(shown));
}

void WindowBatchObserver::entryStarted(std::int32_t number, std::int32_t total, const std::string&) {
  place_ = std::to_string(number) + " of " + std::to_string(total);
}

void WindowBatchObserver::drawProgress(double fraction) {
  if (progress_) progress_->DrawProgress(fraction);
}

void WindowBatchObserver::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

// The window's events keep flowing while it waits; a job that ends meanwhile quits the wait at
// once, by a queued call into this thread.
void WindowBatchObserver::pause(int milliseconds) {
  if (jobWake().waitFor(0)) return;
  QEventLoop loop;
  QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  jobWake().setListener(
      [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); });
  if (!jobWake().waitFor(0)) loop.exec();
  jobWake().setListener({});
}

}  // namespace lumivex::ui
