// The window's test suite: every test class registers itself, and one main runs them all under a
// QApplication on the offscreen platform, with the settings in a temporary folder.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace ui_suite {

using Factory = std::function<std::unique_ptr<QObject>()>;

std::vector<Factory>& registry();

inline bool registerTest(Factory factory) {
  registry().push_back(std::move(factory));
  return true;
}

// The folder LUMIVEX_CONFIG_DIR points at for the whole run.
const char* configFolder();

}  // namespace ui_suite

#define LUMIVEX_UI_TEST(Class) \
  static const bool registered_##Class = ui_suite::registerTest([] { return std::make_unique<Class>(); })
