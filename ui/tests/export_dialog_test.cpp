#include "ui/export_dialog.h"

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>

#include "config/chip62500.h"
#include "export/export_writer.h"
#include "export/preview_folder.h"
#include "ui/message_box.h"
#include "ui/tests/ui_test_support.h"

namespace {

// Runs action on the modal window with this object name as soon as it is shown.
void WhenShown(const QString& name, std::function<void(QWidget*)> action, int tries = 300) {
  QTimer::singleShot(10, [=] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->objectName() == name) {
      action(modal);
    } else if (tries > 0) {
      WhenShown(name, action, tries - 1);
    }
  });
}

template <typename T>
T* Child(QWidget* parent, const char* name) {
  return parent->findChild<T*>(name);
}

std::string ReadText(const QString& path) {
  return ReadFile(path.toStdString());
}

// Opens the Export list, picks a row and runs saveAs on the Export As dialog.
void ExportRow(Chip62500& chip, int row, std::function<void(QFileDialog*)> saveAs) {
  WhenShown("Export", [=](QWidget* dialog) {
    Child<QListWidget>(dialog, "exportList")->setCurrentRow(row);
    WhenShown("ExportAs", [=](QWidget* shown) { saveAs(qobject_cast<QFileDialog*>(shown)); });
    Child<QPushButton>(dialog, "exportAs")->click();
  });
  RunExportDialog(nullptr, chip);
}

// The lines of the Export list; Close ends it without a save dialog.
QString PreviewFolder() {
  std::string error;
  return QString::fromStdString(PrivatePreviewFolder(QDir::tempPath().toStdString(), &error));
}

QStringList Listed(Chip62500& chip) {
  QStringList texts;
  WhenShown("Export", [&](QWidget* dialog) {
    auto* list = Child<QListWidget>(dialog, "exportList");
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    Child<QPushButton>(dialog, "close")->click();
  });
  RunExportDialog(nullptr, chip);
  return texts;
}

}  // namespace

class ExportDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    CurrentExportSettings() = {};
    RecordMessages(&messages_, &icons_);
  }

  void cleanup() {
    SetMessageHook(nullptr);
    SetPreviewOpener(nullptr);
  }

  void listAndSaveDialog() {
    Chip62500 chip;
    QTemporaryDir dir;
    const QStringList texts = Listed(chip);
    QCOMPARE(texts.size(), 6);
    QCOMPARE(texts[0],
             QString("C Source File for K7Q62500 HAL-Based Applications\t[HAL_config.c]"));
    QCOMPARE(texts[2], QString("C Header File for K7Q62500 WinCE Drivers \t\t[mode0.h]"));
    QCOMPARE(texts[5], QString("K7Q62500 Register Quick Reference\t\t\t[K7Q62500.txt]"));

    // Checked after the dialog has closed: a failed check inside would leave it open.
    QStringList seen;
    ExportRow(chip, 4, [&](QFileDialog* save) {
      seen << save->windowTitle() << save->labelText(QFileDialog::Accept) << save->defaultSuffix()
           << save->nameFilters() << QFileInfo(save->selectedFiles().value(0)).fileName()
           << (Child<QPushButton>(save, "options")->isEnabled() ? "options" : "no options");
      save->selectFile(dir.filePath("listing"));
      static_cast<QDialog*>(save)->accept();
    });
    QCOMPARE(seen,
             QStringList({"Export As", "&Export", "csv", "Comma-Separated-Value Files (*.csv)",
                          "All Files (*.*)", "K7Q62500.csv", "no options"}));
    QCOMPARE(CurrentExportSettings().kind, size_t{4});
    QCOMPARE(ReadText(dir.filePath("listing.csv")),
             ToCrLf(GenerateExport(chip, ExportKind::kCsv, 0).text));
    QVERIFY(messages_.isEmpty());
    Listed(chip);
    QCOMPARE(CurrentExportSettings().kind, size_t{4});
  }

  void optionsAndPreview() {
    Chip62500 chip;
    QString nameAfterOptions, previewed;
    bool inEditor = false;
    SetPreviewOpener([&](const QString& path, bool textEditor) {
      previewed = path;
      inEditor = textEditor;
      return true;
    });
    ExportRow(chip, 2, [&](QFileDialog* save) {
      WhenShown("ExportOptions", [](QWidget* options) {
        QVERIFY(Child<QSpinBox>(options, "modeNumber")->isVisibleTo(options));
        Child<QSpinBox>(options, "modeNumber")->setValue(3);
        Child<QCheckBox>(options, "hardwareAcceleration")->setChecked(true);
        Child<QDialogButtonBox>(options, "")->button(QDialogButtonBox::Ok)->click();
      });
      Child<QPushButton>(save, "options")->click();
      nameAfterOptions = QFileInfo(save->selectedFiles().value(0)).fileName();
      Child<QPushButton>(save, "preview")->click();
      save->reject();
    });
    QCOMPARE(nameAfterOptions, QString("mode3.h"));
    QCOMPARE(CurrentExportSettings().mode, 3u);
    QCOMPARE(CurrentExportSettings().options, 1u | kExportHardwareAcceleration);
    // A folder of the program's own inside the temporary folder, for this user only.
    const QFileInfo folder(QFileInfo(previewed).path());
    QCOMPARE(QFileInfo(previewed).fileName(), QString("mode3.h"));
    QCOMPARE(folder.path(), QDir::tempPath());
    QCOMPARE(folder.permissions() &
                 (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
             QFile::Permissions());
    QVERIFY(inEditor);
    QCOMPARE(ReadText(previewed), ToCrLf(GenerateExport(chip, ExportKind::kWinCeHeader, 3).text));
    QCOMPARE(Listed(chip).value(2),
             QString("C Header File for K7Q62500 WinCE Drivers \t\t[mode3.h]"));
  }

  void failuresShowTheirMessages() {
    Chip62500 chip;
    QTemporaryDir dir;
    const QString readOnly = dir.filePath("chip.h");
    std::ofstream(readOnly.toStdString()) << "old";
    chmod(readOnly.toLocal8Bit().constData(), 0444);
    SetPreviewOpener([](const QString&, bool) { return false; });
    ExportRow(chip, 5, [](QFileDialog* save) {
      Child<QPushButton>(save, "preview")->click();
      save->close();
    });
    QCOMPARE(messages_,
             QStringList({"Failed to execute file " + PreviewFolder() + "/K7Q62500.txt"}));
    QCOMPARE(icons_.value(0), QMessageBox::Warning);

    ExportRow(chip, 1, [&](QFileDialog* save) {
      // A folder that does not exist keeps the dialog open.
      save->selectFile(dir.filePath("no/such/chip.h"));
      static_cast<QDialog*>(save)->accept();
      QVERIFY(save->isVisible());
      save->setOption(QFileDialog::DontConfirmOverwrite);
      save->selectFile(readOnly);
      static_cast<QDialog*>(save)->accept();
    });
    QVERIFY(messages_.value(1).contains("Path does not exist."));
    QCOMPARE(messages_.value(2), "Failed to create file " + readOnly);
    QCOMPARE(ReadText(readOnly), std::string("old"));
  }

 private:
  QStringList messages_;
  QList<QMessageBox::Icon> icons_;
};

QTEST_MAIN(ExportDialogTest)
#include "export_dialog_test.moc"
