#include "ui/export_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "config/chip62500.h"
#include "export/export_writer.h"
#include "export/preview_folder.h"
#include "ui/export_options_dialog.h"
#include "ui/message_box.h"
#include "ui/text_preview.h"

namespace k7q {

namespace {

// Every kind, the quick reference too, shows in the program's own viewer: the desktop
// may have no program for text files, and its failure would reach no one.
PreviewOpener& TestOpener() {
  static PreviewOpener opener;
  return opener;
}

bool OpenPreview(const QString& path, bool textEditor) {
  if (TestOpener()) return TestOpener()(path, textEditor);
  return ShowTextPreview(QApplication::activeModalWidget(), path);
}

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// The export list; false when the user closed it.
bool ChooseKind(QWidget* owner, Chip62500& chip, ExportSettings& settings) {
  QDialog dialog(owner);
  dialog.setObjectName("Export");
  dialog.setWindowTitle("Export");
  auto* layout = new QVBoxLayout(&dialog);
  // The description and the file name in two columns, aligned whatever the tabs were.
  auto* list = new QTreeWidget(&dialog);
  list->setObjectName("exportList");
  list->setColumnCount(2);
  list->setHeaderHidden(true);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  for (const ExportKind& kind : kExportKinds) {
    const QString text = Text(ExportListText(chip, kind, settings.mode));
    const qsizetype tab = text.indexOf('\t');
    new QTreeWidgetItem(list, {text.left(tab).trimmed(), text.mid(tab).trimmed()});
  }
  list->setCurrentItem(list->topLevelItem(0));
  list->header()->setStretchLastSection(false);
  list->resizeColumnToContents(0);
  list->resizeColumnToContents(1);
  list->setMinimumWidth(list->columnWidth(0) + list->columnWidth(1) + 2 * list->frameWidth() + 8);
  list->setMinimumHeight(list->topLevelItemCount() * list->sizeHintForRow(0) +
                         2 * list->frameWidth() + 4);
  layout->addWidget(list);
  auto* buttons = new QHBoxLayout;
  auto* exportAs = new QPushButton("&Export As...", &dialog);
  exportAs->setObjectName("exportAs");
  exportAs->setDefault(true);
  auto* close = new QPushButton("&Close", &dialog);
  close->setObjectName("close");
  buttons->addStretch();
  buttons->addWidget(exportAs);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  QObject::connect(exportAs, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(list, &QTreeWidget::itemActivated, &dialog, &QDialog::accept);
  QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
  const int row =
      dialog.exec() == QDialog::Accepted ? list->indexOfTopLevelItem(list->currentItem()) : -1;
  if (row < 0) return false;
  settings.kind = static_cast<size_t>(row);
  return true;
}

// Generates the kind into the program's private temporary folder and shows it.
void Preview(QWidget* owner, Chip62500& chip, const ExportSettings& settings) {
  const ExportKind& kind = kExportKinds[settings.kind];
  std::string error;
  const std::string folder = PrivatePreviewFolder(QDir::tempPath().toStdString(), &error);
  if (folder.empty()) {
    ShowMessage(owner, Text(error), QMessageBox::Warning);
    return;
  }
  const std::string path = folder + "/" + DefaultExportName(chip, kind, settings.mode);
  error = ExportToFile(chip, kind, settings.mode, path);
  if (!error.empty()) {
    ShowMessage(owner, Text(error), QMessageBox::Warning);
    return;
  }
  if (!OpenPreview(Text(path), kind.textEditor)) {
    ShowMessage(
        owner,
        QString("Failed to %1 file %2").arg(kind.textEditor ? "preview" : "execute", Text(path)),
        QMessageBox::Warning);
  }
}

// The save dialog stays open while the chosen file's folder does not exist. The name is
// taken when the user confirms it: a folder listing read later selects the default name
// again.
class ExportSaveDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

  const QString& Chosen() const { return chosen_; }

 protected:
  void accept() override {
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && !QFileInfo(files.first()).dir().exists()) {
      ShowMessage(this,
                  QString("%1\nPath does not exist.\nCheck the path and try again.")
                      .arg(QDir::toNativeSeparators(QFileInfo(files.first()).path())),
                  QMessageBox::Warning);
      return;
    }
    chosen_ = files.value(0);
    QFileDialog::accept();
  }

 private:
  QString chosen_;
};

// Puts the Preview and Options buttons to the right of the file controls.
void AddSaveDialogButtons(QFileDialog& dialog, QPushButton* preview, QPushButton* options) {
  auto* column = new QVBoxLayout;
  column->addWidget(preview);
  column->addWidget(options);
  column->addStretch();
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    grid->addLayout(column, 0, grid->columnCount(), grid->rowCount(), 1);
  } else if (dialog.layout()) {
    dialog.layout()->addItem(column);
  }
}

// The path written, or empty.
QString ExportAs(QWidget* owner, Chip62500& chip, ExportSettings& settings) {
  const ExportKind& kind = kExportKinds[settings.kind];
  const ExportFilter& filter = kind.filter;
  ExportSaveDialog dialog(owner, "Export As");
  dialog.setObjectName("ExportAs");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({filter.name, "All Files (*.*)"});
  dialog.setDefaultSuffix(filter.defaultExtension);
  dialog.selectFile(Text(DefaultExportName(chip, kind, settings.mode)));
  dialog.setLabelText(QFileDialog::Accept, "&Export");

  auto* preview = new QPushButton("Pre&view", &dialog);
  preview->setObjectName("preview");
  auto* options = new QPushButton("&Options", &dialog);
  options->setObjectName("options");
  options->setEnabled(kind.hasOptions);
  AddSaveDialogButtons(dialog, preview, options);
  QObject::connect(preview, &QPushButton::clicked, &dialog,
                   [&] { Preview(&dialog, chip, settings); });
  QObject::connect(options, &QPushButton::clicked, &dialog, [&] {
    RunExportOptionsDialog(&dialog, settings, kind.usesMode);
    if (kind.usesMode) dialog.selectFile(Text(DefaultExportName(chip, kind, settings.mode)));
  });

  if (dialog.exec() != QDialog::Accepted || dialog.Chosen().isEmpty()) return {};
  const QString path = dialog.Chosen();
  const std::string error = ExportToFile(chip, kind, settings.mode, path.toStdString());
  if (error.empty()) return path;
  ShowMessage(owner, Text(error), QMessageBox::Warning);
  return {};
}

}  // namespace

ExportSettings& CurrentExportSettings() {
  static ExportSettings settings;
  return settings;
}

void SetPreviewOpener(PreviewOpener opener) {
  TestOpener() = std::move(opener);
}

QString RunExportDialog(QWidget* owner, Chip62500& chip) {
  ExportSettings& settings = CurrentExportSettings();
  if (!ChooseKind(owner, chip, settings)) return {};
  return ExportAs(owner, chip, settings);
}

}  // namespace k7q
