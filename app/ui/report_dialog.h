// A long report at the end of a run (every photo that failed, with its reason) in a dialog that
// scrolls, with a button that copies the whole text for a bug report or a script.
#pragma once

#include <QString>

class QWidget;

namespace lumivex::ui {

// Shows `text` read-only in a modal dialog titled `title`, with Copy and OK buttons.
void ShowReportDialog(QWidget* owner, const QString& title, const QString& text);

}  // namespace lumivex::ui
