// The always-on-top flag and the folder picker, through Qt.
#include "ui/window_platform.h"

#include <QFileDialog>
#include <QWindow>

namespace lumivex::ui {

// QWidget::setWindowFlags would hide a shown window to recreate it; telling the widget and its
// native window separately keeps it where it is, as it is.
void SetTopmost(QWidget* form, bool onTop) {
  if (!form) return;
  Qt::WindowFlags flags = form->windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
  form->overrideWindowFlags(flags);
  if (QWindow* window = form->windowHandle()) window->setFlags(flags);
}

std::string BrowseForFolder(QWidget* owner, const std::string& title, const std::string& startFolder) {
  QString chosen = QFileDialog::getExistingDirectory(
      owner, QString::fromStdString(title), QString::fromStdString(startFolder), QFileDialog::ShowDirsOnly);
  return chosen.toStdString();
}

}  // namespace lumivex::ui
