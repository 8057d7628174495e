// The desktop program: chip object and UI feature object first, then the main window.
// File names on the command line open Configure Multiple without a main window;
// --help and --version answer without a display, --open FILE opens FILE in the window.
#include <QApplication>
#include <QStringList>
#include <cstdio>

#include "config/chip62500.h"
#include "ui/configure_multiple_dialog.h"
#include "ui/dialog_fit.h"
#include "ui/main_window.h"
#include "ui/start_options.h"
#include "ui/version_check.h"
#include "uifeatures/ui_features.h"
#include "uimodel/program_texts.h"

int main(int argc, char** argv) {
  using namespace k7q;
  const StartOptions options = ParseStartOptions(argc, argv);
  switch (options.action) {
    case StartOptions::Action::kHelp:
      std::fputs(kStartHelp, stdout);
      return 0;
    case StartOptions::Action::kVersion:
      std::puts("62500twk " K7Q_VERSION);
      return 0;
    case StartOptions::Action::kUsageError:
      std::fputs(
          "62500twk: --open takes at most one file name\nRun with --help for more information.\n",
          stderr);
      return 2;
    case StartOptions::Action::kRun:
      break;
  }

  Chip62500& chip = TheChip();
  UiFeatures features(chip);
  QApplication app(argc, argv);
  FitDialogsToCaptions();

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
    // Nothing but the built-in default to write: asked once before the pass.
    RunConfigureMultipleDialog(nullptr, chip, list, {QString(), false, true});
    return 0;
  }

  MainWindow window(chip, features);
  window.show();
  if (!options.openFile.empty()) window.OpenFile(QString::fromStdString(options.openFile));
  return app.exec();
}
