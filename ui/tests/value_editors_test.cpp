// The frequency and register editors refuse what they cannot read, say why and stay
// open; what they can read is stored as typed.
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "config/chip62500.h"
#include "ui/editors/create_editor.h"
#include "ui/register_editor.h"
#include "uifeatures/ui_features.h"

class ValueEditorsTest : public QObject {
  Q_OBJECT

 private slots:
  void frequencyAndRegisterEditors() {
    Chip62500 chip;
    UiFeatures ui(chip);
    UiItem item;
    item.type = kUiItem;
    item.feature = "clki";
    const uint32_t clki = chip.GetFieldValue("clki");
    for (const char* typed : {"banana", "25000000", "3276.8  kHz"}) {
      std::unique_ptr<FeatureEditor> editor(CreateFeatureEditor(nullptr, chip, ui, item));
      editor->findChild<QLineEdit*>("2504")->setText(typed);
      static_cast<QDialog*>(editor.get())->accept();
      const bool read = typed[0] == '3';
      QCOMPARE(editor->result(), read ? 1 : 0);
      QCOMPARE(chip.GetFieldValue("clki"), read ? 3276800u : clki);
      if (!read) QVERIFY(editor->findChild<QLabel*>("2506")->text().startsWith("Cannot read"));
    }

    ManualChanges changes;
    unsigned radix = 10;
    const uint32_t value = chip.ReadRegister(0, false);
    RegisterEditor editor(nullptr, chip, changes, 0, 0, radix);
    editor.findChild<QLineEdit*>("2103")->setText("abc");
    editor.accept();
    QCOMPARE(editor.result(), 0);
    QCOMPARE(editor.findChild<QLabel*>("2101")->text(),
             QString("Cannot read \"abc\": not a decimal number"));
    editor.findChild<QLineEdit*>("2103")->setText("256");
    editor.accept();
    QCOMPARE(editor.findChild<QLabel*>("2101")->text(),
             QString("Cannot store \"256\": the value does not fit 8 bits"));
    QCOMPARE(chip.ReadRegister(0, false), value);
    editor.findChild<QLineEdit*>("2103")->setText("17");
    editor.accept();
    QCOMPARE(chip.ReadRegister(0, false), 17u);
  }
};

QTEST_MAIN(ValueEditorsTest)
#include "value_editors_test.moc"
