#include "ui/export_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QSpinBox>

#include "config/chip62500.h"
#include "export/export_writer.h"
#include "ui/message_box.h"

namespace {

const struct {
  const char* name;
  ExportKind kind;
} kKinds[] = {
    {"HAL_config.c (configuration block)", ExportKind::kHalConfig},
    {"chip.h (register map)", ExportKind::kChipHeader},
    {"Generic driver header", ExportKind::kGenericHeader},
    {"WinCE display driver mode header", ExportKind::kWinCeHeader},
    {"CSV listing", ExportKind::kCsv},
    {"Quick register reference", ExportKind::kQuickReference},
};

}  // namespace

void RunExportDialog(QWidget* owner, Chip62500& chip) {
  QDialog dialog(owner);
  dialog.setObjectName("212");
  dialog.setWindowTitle("Export");
  auto* form = new QFormLayout(&dialog);
  auto* kind = new QComboBox(&dialog);
  for (const auto& row : kKinds) kind->addItem(row.name);
  form->addRow("&Export:", kind);
  auto* mode = new QSpinBox(&dialog);
  mode->setRange(0, 999);
  form->addRow("&Mode number:", mode);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return;

  const ExportKind chosen = kKinds[kind->currentIndex()].kind;
  const unsigned number = static_cast<unsigned>(mode->value());
  const QString name = QFileDialog::getSaveFileName(
      owner, "Export", QString::fromStdString(DefaultExportName(chip, chosen, number)));
  if (name.isEmpty()) return;
  const std::string error = ExportToFile(chip, chosen, number, name.toStdString());
  if (!error.empty()) ShowMessage(owner, QString::fromStdString(error), QMessageBox::Warning);
}
