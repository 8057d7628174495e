#include "ui/export_options_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace k7q {

bool RunExportOptionsDialog(QWidget* owner, ExportSettings& settings, bool showMode) {
  QDialog dialog(owner);
  dialog.setObjectName("ExportOptions");
  dialog.setWindowTitle("Export Options");
  auto* layout = new QVBoxLayout(&dialog);

  auto* cursor = new QGroupBox("&Cursor", &dialog);
  auto* cursorLayout = new QVBoxLayout(cursor);
  auto* softwareCursor = new QRadioButton("Software Cursor", cursor);
  softwareCursor->setObjectName("softwareCursor");
  auto* noCursor = new QRadioButton("No Cursor", cursor);
  noCursor->setObjectName("noCursor");
  cursorLayout->addWidget(softwareCursor);
  cursorLayout->addWidget(noCursor);
  (settings.options & kExportSoftwareCursor ? softwareCursor : noCursor)->setChecked(true);
  layout->addWidget(cursor);

  auto* software = new QCheckBox("&Software Acceleration", &dialog);
  software->setObjectName("softwareAcceleration");
  software->setChecked(settings.options & kExportSoftwareAcceleration);
  auto* hardware = new QCheckBox("&Hardware Accelertion", &dialog);
  hardware->setObjectName("hardwareAcceleration");
  hardware->setChecked(settings.options & kExportHardwareAcceleration);
  layout->addWidget(software);
  layout->addWidget(hardware);

  auto* modeRow = new QHBoxLayout;
  auto* modeLabel = new QLabel("&Mode number:", &dialog);
  auto* mode = new QSpinBox(&dialog);
  mode->setObjectName("modeNumber");
  mode->setRange(0, static_cast<int>(kMaxExportMode));
  mode->setValue(static_cast<int>(settings.mode));
  modeLabel->setBuddy(mode);
  modeRow->addWidget(modeLabel);
  modeRow->addWidget(mode);
  layout->addLayout(modeRow);
  modeLabel->setVisible(showMode);
  mode->setVisible(showMode);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);

  if (dialog.exec() != QDialog::Accepted) return false;
  settings.mode = static_cast<unsigned>(mode->value());
  settings.options &=
      ~(kExportSoftwareCursor | kExportHardwareAcceleration | kExportSoftwareAcceleration);
  if (softwareCursor->isChecked()) settings.options |= kExportSoftwareCursor;
  if (hardware->isChecked()) settings.options |= kExportHardwareAcceleration;
  if (software->isChecked()) settings.options |= kExportSoftwareAcceleration;
  return true;
}

}  // namespace k7q
