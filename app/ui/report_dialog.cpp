// The end-of-run report: a read-only text that scrolls, Copy puts it on the clipboard, OK closes.
#include "ui/report_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumivex::ui {

namespace {

constexpr int kWidth = 520;
constexpr int kHeight = 360;

}  // namespace

void ShowReportDialog(QWidget* owner, const QString& title, const QString& text) {
  QDialog dialog(owner);
  dialog.setObjectName("reportDialog");
  dialog.setWindowTitle(title);
  dialog.resize(kWidth, kHeight);
  auto* layout = new QVBoxLayout(&dialog);
  auto* list = new QPlainTextEdit(text, &dialog);
  list->setObjectName("reportText");
  list->setReadOnly(true);
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QPushButton* copy = buttons->addButton("Copy", QDialogButtonBox::ActionRole);
  copy->setObjectName("cmdCopy");
  QObject::connect(copy, &QPushButton::clicked, &dialog,
                   [text] { QApplication::clipboard()->setText(text); });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  dialog.exec();
}

}  // namespace lumivex::ui
