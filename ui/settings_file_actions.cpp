#include "ui/settings_file_actions.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "export/export_writer.h"
#include "formats/file_kinds.h"
#include "settings/settings_diff.h"
#include "settings/settings_text.h"
#include "storage/safe_file.h"
#include "ui/message_box.h"

namespace k7q {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Reads and applies the settings file; every problem goes into *problem.
bool ApplyFile(Chip62500& chip, const QString& path, QString* problem) {
  std::string text;
  std::string error;
  if (!ReadWholeFile(path.toStdString(), kSettingsFileLimitMiB, &text, &error)) {
    *problem = Q(error);
    return false;
  }
  const SettingsReport report = ApplySettings(chip, text);
  QStringList lines;
  for (const std::string& line : SettingsReportLines(path.toStdString(), report)) lines << Q(line);
  *problem = lines.join('\n');
  return report.ok();
}

QTreeWidgetItem* AddRow(QTreeWidget* list, const QStringList& cells) {
  auto* item = new QTreeWidgetItem(list, cells);
  item->setToolTip(1, cells[1]);
  return item;
}

void FillList(QTreeWidget* list, const SettingsDiff& diff) {
  for (const FeatureDifference& d : diff.features)
    AddRow(list, {Q(d.keyname), Q(d.label), QString::fromLatin1(d.a), QString::fromLatin1(d.b)});
  for (const RegisterDifference& d : diff.registers) {
    auto text = [&d](const std::optional<uint32_t>& v) {
      return v ? Q(StringPrintf("%0*X", static_cast<int>(d.hexDigits), *v)) : QString("-");
    };
    AddRow(list, {Q(StringPrintf("register %04X", d.index)), Q(d.label), text(d.a), text(d.b)});
  }
  for (const BlockFieldDifference& d : diff.blockFields)
    AddRow(list, {"block " + Q(d.name), QString(), Q(d.a), Q(d.b)});
}

}  // namespace

QString SettingsFileFilters() {
  return "Settings Files (*.settings *.txt);;All Files (*)";
}

bool ImportSettingsFile(QWidget* owner, Chip62500& chip, const QString& path) {
  QString problem;
  if (ApplyFile(chip, path, &problem)) return true;
  ShowMessage(owner,
              QString("Settings file \"%1\" was not imported because:\n\n%2").arg(path, problem),
              QMessageBox::Warning);
  return false;
}

bool ExportSettingsFile(QWidget* owner, Chip62500& chip, const QString& path) {
  const std::string error = WriteExportFile(path.toStdString(), WriteSettings(chip, false));
  if (error.empty()) return true;
  ShowMessage(owner, Q(error), QMessageBox::Warning);
  return false;
}

void CompareWithFile(QWidget* owner, Chip62500& chip, const QString& path) {
  Chip62500 other;
  if (IsConfigurationFileName(path.toStdString())) {
    const FileOutcome outcome = OpenConfigurableFile(other, path.toStdString());
    ShowFailures(owner, FileFailures(outcome));
    if (!outcome.ok) return;
  } else {
    QString problem;
    if (!ApplyFile(other, path, &problem)) {
      ShowMessage(
          owner,
          QString("Settings file \"%1\" cannot be compared because:\n\n%2").arg(path, problem),
          QMessageBox::Warning);
      return;
    }
  }
  const SettingsDiff diff = DiffSettings(chip, other);

  QDialog dialog(owner);
  dialog.setObjectName("compareDialog");
  dialog.setWindowTitle("Compare With " + path);
  auto* layout = new QVBoxLayout(&dialog);
  const size_t count = diff.features.size() + diff.registers.size() + diff.blockFields.size();
  auto* summary = new QLabel(
      diff.Equal() ? QString("The current configuration and \"%1\" are equal.").arg(path)
                   : QString("%1 settings differ between the current configuration and \"%2\".")
                         .arg(count)
                         .arg(path),
      &dialog);
  summary->setObjectName("compareSummary");
  summary->setWordWrap(true);
  layout->addWidget(summary);
  auto* list = new QTreeWidget(&dialog);
  list->setObjectName("compareList");
  list->setRootIsDecorated(false);
  list->setHeaderLabels({"Setting", "Name", "Current", "Other"});
  FillList(list, diff);
  for (int column = 0; column < 4; ++column) list->resizeColumnToContents(column);
  list->setColumnWidth(1, std::min(list->columnWidth(1), 260));
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog.resize(720, 420);
  dialog.exec();
}

}  // namespace k7q
