// Saves pictures of the main window on each tab, of each feature editor, the register
// editor, Configure Multiple and the export preview, for the README. With "scale2" only
// the main window, at QT_SCALE_FACTOR=2. Usage: 62500twk-screenshots FOLDER [scale2]
#include <QApplication>
#include <QDir>
#include <QTabBar>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <string>

#include "config/chip62500.h"
#include "export/export_writer.h"
#include "ui/configure_multiple_dialog.h"
#include "ui/editors/create_editor.h"
#include "ui/export_dialog.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/register_editor.h"
#include "ui/template_chooser.h"
#include "ui/text_preview.h"
#include "uifeatures/ui_features.h"

namespace k7q {

namespace {

bool Save(QWidget* widget, const QDir& folder, const char* name) {
  widget->show();
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  const QString path = folder.filePath(QString(name) + ".png");
  if (!widget->grab().save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

UiNode* FindNode(const std::vector<std::unique_ptr<UiNode>>& nodes,
                 const std::function<bool(const UiItem&)>& wanted) {
  for (const auto& node : nodes) {
    if (wanted(node->item)) return node.get();
    if (UiNode* found = FindNode(node->children, wanted)) return found;
  }
  return nullptr;
}

}  // namespace

}  // namespace k7q

int main(int argc, char** argv) {
  using namespace k7q;
  const bool scale2 = argc == 3 && std::string(argv[2]) == "scale2";
  if (scale2) qputenv("QT_SCALE_FACTOR", "2");
  Chip62500& chip = TheChip();
  UiFeatures features(chip);
  QApplication app(argc, argv);
  if (argc != 2 && !scale2) {
    std::fprintf(stderr, "usage: 62500twk-screenshots FOLDER [scale2]\n");
    return 2;
  }
  QDir folder(argv[1]);
  if (!folder.mkpath(".")) return 1;
  bool ok = true;

  MainWindow window(chip, features);
  if (scale2) {
    // The main window on two tabs, Configure Multiple, a pass's summary and the preview.
    ok = Save(&window, folder, "main-features-scale2");
    window.findChild<QTabBar*>("1101")->setCurrentIndex(2);
    ok = Save(&window, folder, "main-direct-scale2") && ok;
    QStringList names;
    QString lines;
    for (int i = 1; i <= 51; ++i) {
      names << QString("/home/user/drivers/copy_%1.elf").arg(i, 2, 10, QChar('0'));
      lines += (i % 10 ? "OK\t" : "Error\t") + names.last() +
               (i % 10 ? "\n" : ": The file does not contain any configuration data.\n");
    }
    ConfigureMultipleDialog configure(&window, chip, names);
    ok = Save(&configure, folder, "configure-multiple-scale2") && ok;
    LongMessage summary(&window,
                        "Summary of configured files:\n\n46 of 51 files configured, 5 failed.",
                        lines, QMessageBox::Warning);
    ok = Save(&summary, folder, "configure-summary-scale2") && ok;
    const QString text = QDir::temp().filePath("K7Q62500.txt");
    if (ExportToFile(chip, *FindExportKind("quickref"), 0, text.toStdString()).empty()) {
      TextPreview preview(&window, text);
      ok = Save(&preview, folder, "export-preview-scale2") && ok;
    }
    return ok ? 0 : 1;
  }
  static const char* const kTabs[] = {"main-features", "main-registers", "main-direct"};
  auto* tabs = window.findChild<QTabBar*>("1101");
  for (int tab = 0; tab < 3; ++tab) {
    tabs->setCurrentIndex(tab);
    ok = Save(&window, folder, kTabs[tab]) && ok;
  }
  tabs->setCurrentIndex(0);

  struct Shot {
    const char* feature;
    const char* name;
  };
  static const Shot kEditors[] = {
      {"stride", "editor-number"}, {"regoffset", "editor-address"}, {"iosc", "editor-frequency"},
      {"cfgdesc", "editor-text"},  {"sysclksrc", "editor-list"},    {"ii", "editor-boolean"},
  };
  for (const Shot& shot : kEditors) {
    UiItem item;
    item.type = kUiItem;
    item.feature = std::string(shot.feature);
    FeatureEditor* editor = CreateFeatureEditor(&window, chip, features, item);
    if (!editor) {
      std::fprintf(stderr, "no editor for %s\n", shot.feature);
      ok = false;
      continue;
    }
    ok = Save(editor, folder, shot.name) && ok;
    delete editor;
  }

  UiNode* templ =
      FindNode(features.TopLevel(), [](const UiItem& item) { return item.type == kUiTemplate; });
  if (templ) {
    TemplateChooser chooser(&window, features, templ->item);
    ok = Save(&chooser, folder, "template-chooser") && ok;
  }

  ManualChanges changes;
  unsigned radix = 16;
  RegisterEditor registerEditor(&window, chip, changes, 1, 0x0001, radix);
  ok = Save(&registerEditor, folder, "register-editor") && ok;
  ConfigureMultipleDialog configure(&window, chip, {});
  ok = Save(&configure, folder, "configure-multiple") && ok;
  const QString source = QDir::temp().filePath("HAL_config.c");
  if (ExportToFile(chip, *FindExportKind("hal-config"), CurrentExportSettings().mode,
                   source.toStdString())
          .empty()) {
    TextPreview preview(&window, source);
    ok = Save(&preview, folder, "export-preview") && ok;
  }
  return ok ? 0 : 1;
}
