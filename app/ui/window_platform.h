// Thin wrappers of the windowing services the forms use: the always-on-top band and the folder
// picker.
#pragma once

#include <QWidget>
#include <string>

namespace lumivex::ui {

// Puts a window into or out of the always-on-top band, without moving, hiding or activating it.
void SetTopmost(QWidget* form, bool onTop);

// The platform's folder picker owned by `owner`, showing `title`, starting in `startFolder` when it
// exists; the chosen folder's path, or the empty string when cancelled.
std::string BrowseForFolder(QWidget* owner, const std::string& title, const std::string& startFolder = {});

}  // namespace lumivex::ui
