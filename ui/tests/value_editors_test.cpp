// The frequency and register editors refuse what they cannot read, say why and stay
// open; what they can read is stored as typed.
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "chipmodel/ui_features.h"
#include "config/chip62500.h"
#include "ui/editors/create_editor.h"
#include "ui/register_editor.h"

class ValueEditorsTest : public QObject {
  Q_OBJECT

 private slots:
  void frequencyEditorRefusesUnreadableText() {
    Chip62500 chip;
    UiFeatures ui(chip);
    UiItem item;
    item.type = kUiItem;
    item.feature = "clki";
    const uint32_t before = chip.GetFieldValue("clki");
    const struct {
      const char* typed;
      const char* reason;
    } kRefused[] = {{"banana", "not a frequency"}, {"25000000", "larger than 4294.967 MHz"}};
    for (const auto& row : kRefused) {
      std::unique_ptr<FeatureEditor> editor(CreateFeatureEditor(nullptr, chip, ui, item));
      editor->findChild<QLineEdit*>("2504")->setText(row.typed);
      editor->accept();
      QCOMPARE(editor->result(), 0);
      QVERIFY(editor->findChild<QLabel*>("2506")->text().contains(row.reason));
      QCOMPARE(chip.GetFieldValue("clki"), before);
    }
    std::unique_ptr<FeatureEditor> editor(CreateFeatureEditor(nullptr, chip, ui, item));
    editor->findChild<QLineEdit*>("2504")->setText("3276.8  kHz");
    editor->accept();
    QCOMPARE(editor->result(), 1);
    QCOMPARE(chip.GetFieldValue("clki"), 3276800u);
  }

  void registerEditorRefusesTextOutsideItsRadix() {
    Chip62500 chip;
    ManualChanges changes;
    unsigned radix = 10;
    const uint32_t before = chip.ReadRegister(0, false);
    RegisterEditor editor(nullptr, chip, changes, 0, 0, radix);
    editor.findChild<QLineEdit*>("2103")->setText("abc");
    editor.accept();
    QCOMPARE(editor.result(), 0);
    QCOMPARE(editor.findChild<QLabel*>("2101")->text(),
             QString("Cannot read \"abc\": not a decimal number"));
    QCOMPARE(chip.ReadRegister(0, false), before);
    editor.findChild<QLineEdit*>("2103")->setText("17");
    editor.accept();
    QCOMPARE(editor.result(), 1);
    QCOMPARE(chip.ReadRegister(0, false), 17u);
  }
};

QTEST_MAIN(ValueEditorsTest)
#include "value_editors_test.moc"
