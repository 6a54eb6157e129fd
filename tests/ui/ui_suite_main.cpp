#include <QApplication>
#include <QByteArray>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "ui/ui_suite.h"

namespace ui_suite {

std::vector<Factory>& registry() {
  static std::vector<Factory> tests;
  return tests;
}

namespace {
QByteArray configPath;
}

const char* configFolder() { return configPath.constData(); }

}  // namespace ui_suite

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir config;
  ui_suite::configPath = config.path().toUtf8();
  qputenv("LUMIVEX_CONFIG_DIR", ui_suite::configPath);

  QApplication application(argc, argv);
  // The program draws its forms with Fusion; so do the tests.
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  // LUMIVEX_UI_TESTS=Class1,Class2 runs only those classes; -Class leaves one out.
  QStringList chosen = qEnvironmentVariable("LUMIVEX_UI_TESTS").split(',', Qt::SkipEmptyParts);
  auto wanted = [&](const QString& name) {
    if (chosen.contains("-" + name)) return false;
    bool anyIncluded =
        std::any_of(chosen.begin(), chosen.end(), [](const QString& c) { return !c.startsWith('-'); });
    return !anyIncluded || chosen.contains(name);
  };
  int failed = 0;
  for (const ui_suite::Factory& make : ui_suite::registry()) {
    std::unique_ptr<QObject> test = make();
    if (!wanted(test->metaObject()->className())) continue;
    failed += QTest::qExec(test.get(), argc, argv);
  }
  return failed == 0 ? 0 : 1;
}
