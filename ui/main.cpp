// The desktop program: chip object and UI feature object first, then the main window.
// File names on the command line open Configure Multiple without a main window.
#include <QApplication>
#include <QStringList>

#include "config/chip62500.h"
#include "config/program_texts.h"
#include "ui/configure_multiple_dialog.h"
#include "ui/main_window.h"
#include "ui/version_check.h"
#include "uifeatures/ui_features.h"

int main(int argc, char** argv) {
  Chip62500& chip = TheChip();
  UiFeatures features(chip);
  QApplication app(argc, argv);

  if (!ToolkitIsRecentEnough()) {
    ShowVersionDialog(nullptr);
    return 0;
  }

  std::string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += std::string(i > 1 ? " " : "") + argv[i];
  const std::vector<std::string> names = SplitCommandLine(commandLine);
  if (!names.empty()) {
    QStringList list;
    for (const std::string& name : names) list << QString::fromStdString(name);
    RunConfigureMultipleDialog(nullptr, chip, list);
    return 0;
  }

  MainWindow window(chip, features);
  window.show();
  return app.exec();
}
