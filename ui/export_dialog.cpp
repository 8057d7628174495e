#include "ui/export_dialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "config/chip62500.h"
#include "export/export_writer.h"
#include "export/preview_folder.h"
#include "ui/export_options_dialog.h"
#include "ui/message_box.h"
#include "ui/text_preview.h"

namespace {

PreviewOpener& Opener() {
  static PreviewOpener opener = [](const QString& path, bool textEditor) {
    if (textEditor) return ShowTextPreview(QApplication::activeModalWidget(), path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  };
  return opener;
}

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// The export list; false when the user closed it.
bool ChooseKind(QWidget* owner, Chip62500& chip, ExportSettings& settings) {
  QDialog dialog(owner);
  dialog.setObjectName("Export");
  dialog.setWindowTitle("Export");
  auto* layout = new QHBoxLayout(&dialog);
  auto* list = new QListWidget(&dialog);
  list->setObjectName("exportList");
  for (ExportKind kind : kExportKinds)
    list->addItem(Text(ExportListText(chip, kind, settings.mode)));
  list->setCurrentRow(0);
  list->setMinimumWidth(list->sizeHintForColumn(0) + 24);
  layout->addWidget(list);
  auto* buttons = new QVBoxLayout;
  auto* exportAs = new QPushButton("&Export As...", &dialog);
  exportAs->setObjectName("exportAs");
  exportAs->setDefault(true);
  auto* close = new QPushButton("&Close", &dialog);
  close->setObjectName("close");
  buttons->addWidget(exportAs);
  buttons->addWidget(close);
  buttons->addStretch();
  layout->addLayout(buttons);
  QObject::connect(exportAs, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
  QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) return false;
  settings.kind = static_cast<size_t>(list->currentRow());
  return true;
}

// Generates the kind into the program's private temporary folder and shows it.
void Preview(QWidget* owner, Chip62500& chip, const ExportSettings& settings) {
  const ExportKind kind = kExportKinds[settings.kind];
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
  const bool textEditor = kind != ExportKind::kQuickReference;
  if (!Opener()(Text(path), textEditor)) {
    ShowMessage(owner,
                QString("Failed to %1 file %2").arg(textEditor ? "preview" : "execute", Text(path)),
                QMessageBox::Warning);
  }
}

// The save dialog stays open while the chosen file's folder does not exist.
class ExportSaveDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

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
    QFileDialog::accept();
  }
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

void ExportAs(QWidget* owner, Chip62500& chip, ExportSettings& settings) {
  const ExportKind kind = kExportKinds[settings.kind];
  const ExportFilter filter = ExportFileFilter(kind);
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
  options->setEnabled(kind == ExportKind::kWinCeHeader || kind == ExportKind::kGenericHeader);
  AddSaveDialogButtons(dialog, preview, options);
  QObject::connect(preview, &QPushButton::clicked, &dialog,
                   [&] { Preview(&dialog, chip, settings); });
  QObject::connect(options, &QPushButton::clicked, &dialog, [&] {
    const bool wince = kind == ExportKind::kWinCeHeader;
    RunExportOptionsDialog(&dialog, settings, wince);
    if (wince) dialog.selectFile(Text(DefaultExportName(chip, kind, settings.mode)));
  });

  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const std::string error =
      ExportToFile(chip, kind, settings.mode, dialog.selectedFiles().first().toStdString());
  if (!error.empty()) ShowMessage(owner, Text(error), QMessageBox::Warning);
}

}  // namespace

ExportSettings& CurrentExportSettings() {
  static ExportSettings settings;
  return settings;
}

void SetPreviewOpener(PreviewOpener opener) {
  Opener() = std::move(opener);
}

void RunExportDialog(QWidget* owner, Chip62500& chip) {
  ExportSettings& settings = CurrentExportSettings();
  if (ChooseKind(owner, chip, settings)) ExportAs(owner, chip, settings);
}
