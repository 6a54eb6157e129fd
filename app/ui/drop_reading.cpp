// Reading a drop's QMimeData into a file list or a text, in the order the file manager gave.
#include "ui/drop_reading.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace lumivex::ui {

DroppedData ReadDrop(const QMimeData& data) {
  DroppedData dropped;
  if (data.hasUrls()) {
    for (const QUrl& url : data.urls())
      if (url.isLocalFile()) dropped.files.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    if (!dropped.files.empty()) {
      dropped.kind = DroppedData::Kind::FileList;
      return dropped;
    }
  }
  if (data.hasText()) {
    dropped.kind = DroppedData::Kind::Text;
    dropped.text = data.text().toStdString();
  }
  return dropped;
}

}  // namespace lumivex::ui
