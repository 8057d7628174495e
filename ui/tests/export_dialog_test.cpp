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
#include <sstream>

#include "config/chip62500.h"
#include "export/export_writer.h"
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
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Expected(Chip62500& chip, ExportKind kind, unsigned mode) {
  return ToCrLf(GenerateExport(chip, kind, mode).text);
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
    QStringList texts;
    QString title, acceptLabel, suffix, firstName;
    QStringList filters;
    bool optionsEnabled = true;
    WhenShown("Export", [&](QWidget* dialog) {
      auto* list = Child<QListWidget>(dialog, "exportList");
      for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
      list->setCurrentRow(4);
      WhenShown("ExportAs", [&](QWidget* shown) {
        auto* save = qobject_cast<QFileDialog*>(shown);
        title = save->windowTitle();
        acceptLabel = save->labelText(QFileDialog::Accept);
        suffix = save->defaultSuffix();
        filters = save->nameFilters();
        firstName = QFileInfo(save->selectedFiles().value(0)).fileName();
        optionsEnabled = Child<QPushButton>(save, "options")->isEnabled();
        save->selectFile(dir.filePath("listing"));
        static_cast<QDialog*>(save)->accept();
      });
      Child<QPushButton>(dialog, "exportAs")->click();
    });
    RunExportDialog(nullptr, chip);

    QCOMPARE(texts.size(), 6);
    QCOMPARE(texts[0],
             QString("C Source File for K7Q62500 HAL-Based Applications\t[HAL_config.c]"));
    QCOMPARE(texts[2], QString("C Header File for K7Q62500 WinCE Drivers \t\t[mode0.h]"));
    QCOMPARE(texts[5], QString("K7Q62500 Register Quick Reference\t\t\t[K7Q62500.txt]"));
    QCOMPARE(title, QString("Export As"));
    QCOMPARE(acceptLabel, QString("&Export"));
    QCOMPARE(suffix, QString("csv"));
    QCOMPARE(filters, QStringList({"Comma-Separated-Value Files (*.csv)", "All Files (*.*)"}));
    QCOMPARE(firstName, QString("K7Q62500.csv"));
    QVERIFY(!optionsEnabled);
    QCOMPARE(CurrentExportSettings().kind, size_t{4});
    QCOMPARE(ReadText(dir.filePath("listing.csv")), Expected(chip, ExportKind::kCsv, 0));
    QVERIFY(messages_.isEmpty());

    // Close ends the list without a save dialog.
    WhenShown("Export", [](QWidget* dialog) { Child<QPushButton>(dialog, "close")->click(); });
    RunExportDialog(nullptr, chip);
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
    WhenShown("Export", [&](QWidget* dialog) {
      Child<QListWidget>(dialog, "exportList")->setCurrentRow(2);
      WhenShown("ExportAs", [&](QWidget* shown) {
        auto* save = qobject_cast<QFileDialog*>(shown);
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
      Child<QPushButton>(dialog, "exportAs")->click();
    });
    RunExportDialog(nullptr, chip);

    QCOMPARE(nameAfterOptions, QString("mode3.h"));
    QCOMPARE(CurrentExportSettings().mode, 3u);
    QCOMPARE(CurrentExportSettings().options, 1u | kExportHardwareAcceleration);
    QCOMPARE(previewed, QDir::tempPath() + "/mode3.h");
    QVERIFY(inEditor);
    QCOMPARE(ReadText(previewed), Expected(chip, ExportKind::kWinCeHeader, 3));

    // The list shows the new mode number.
    QString wince;
    WhenShown("Export", [&](QWidget* dialog) {
      wince = Child<QListWidget>(dialog, "exportList")->item(2)->text();
      Child<QPushButton>(dialog, "close")->click();
    });
    RunExportDialog(nullptr, chip);
    QCOMPARE(wince, QString("C Header File for K7Q62500 WinCE Drivers \t\t[mode3.h]"));
  }

  void failuresShowTheirMessages() {
    Chip62500 chip;
    QTemporaryDir dir;
    const QString readOnly = dir.filePath("chip.h");
    std::ofstream(readOnly.toStdString()) << "old";
    chmod(readOnly.toLocal8Bit().constData(), 0444);
    SetPreviewOpener([](const QString&, bool) { return false; });

    WhenShown("Export", [&](QWidget* dialog) {
      Child<QListWidget>(dialog, "exportList")->setCurrentRow(5);
      WhenShown("ExportAs", [&](QWidget* save) {
        Child<QPushButton>(save, "preview")->click();
        save->close();
      });
      Child<QPushButton>(dialog, "exportAs")->click();
    });
    RunExportDialog(nullptr, chip);
    QCOMPARE(messages_,
             QStringList({"Failed to execute file " + QDir::tempPath() + "/K7Q62500.txt"}));
    QCOMPARE(icons_.value(0), QMessageBox::Warning);

    WhenShown("Export", [&](QWidget* dialog) {
      Child<QListWidget>(dialog, "exportList")->setCurrentRow(1);
      WhenShown("ExportAs", [&](QWidget* shown) {
        auto* save = qobject_cast<QFileDialog*>(shown);
        // A folder that does not exist keeps the dialog open.
        save->selectFile(dir.filePath("no/such/chip.h"));
        static_cast<QDialog*>(save)->accept();
        QVERIFY(save->isVisible());
        save->setOption(QFileDialog::DontConfirmOverwrite);
        save->selectFile(readOnly);
        static_cast<QDialog*>(save)->accept();
      });
      Child<QPushButton>(dialog, "exportAs")->click();
    });
    RunExportDialog(nullptr, chip);
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
