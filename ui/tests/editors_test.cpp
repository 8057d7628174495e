#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/editors/create_editor.h"
#include "ui/editors/sequence_editor.h"
#include "ui/register_editor.h"
#include "ui/start_options.h"
#include "ui/tests/ui_test_support.h"

namespace k7q {

namespace {

// The 62500 with a range and step on "stride", and one sequence feature held here.
class TestChip : public Chip62500 {
 public:
  uint32_t GetMinimum(std::string_view name) override {
    return name == "stride" ? 0 : Chip62500::GetMinimum(name);
  }
  uint32_t GetMaximum(std::string_view name) override {
    return name == "stride" ? 1023 : Chip62500::GetMaximum(name);
  }
  uint32_t GetStep(std::string_view name) override {
    return name == "stride" ? 8 : Chip62500::GetStep(name);
  }
  bool GetSequenceItem(std::string_view, uint32_t item, uint32_t* kind, uint32_t* value,
                       std::string* label) override {
    if (item >= sequence.size()) return false;
    *kind = sequence[item].kind;
    *value = sequence[item].value;
    *label = sequence[item].label;
    return true;
  }
  bool SetSequenceItem(std::string_view, uint32_t item, uint32_t kind, uint32_t value,
                       std::string_view label) override {
    if (item >= sequence.size()) sequence.resize(item + 1);
    sequence[item] = {kind, value, std::string(label)};
    return true;
  }
  uint32_t SequenceMaxLength(std::string_view) override { return 3; }
  uint32_t SequenceLength(std::string_view) override {
    return static_cast<uint32_t>(sequence.size());
  }
  bool SetSequenceLength(std::string_view, uint32_t count) override {
    sequence.resize(count);
    return true;
  }

  std::vector<SequenceItem> sequence;
};

QString Currently(QDialog* editor) {
  return editor->findChild<QLabel*>("2506")->text();
}

// OK on the editor; its result.
int Accept(QDialog* editor) {
  editor->accept();
  return editor->result();
}

void ShowActive(QDialog* dialog) {
  dialog->show();
  QApplication::setActiveWindow(dialog);
  QVERIFY(QTest::qWaitForWindowActive(dialog));
}

// The label is as wide as its text.
bool ShowsWhole(QLabel* label) {
  return label->width() >= label->fontMetrics().horizontalAdvance(label->text());
}

bool ShowsError(QDialog* editor) {
  return editor->findChild<QLabel*>("2506")->palette().color(QPalette::WindowText) ==
         QColor(255, 0, 0);
}

}  // namespace

class EditorsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    chip_ = std::make_unique<TestChip>();
    chip_->LoadBlock(DefaultHalStruct());
    ui_ = std::make_unique<UiFeatures>(*chip_);
  }

  void numberEditorRadixRangeAndStep() {
    UiItem item = FeatureItem("stride");
    std::unique_ptr<FeatureEditor> editor(CreateFeatureEditor(nullptr, *chip_, *ui_, item));
    QCOMPARE(editor->objectName(), QString("203"));
    QCOMPARE(editor->findChild<QLabel*>("2508")->text(), QString(" bytes"));
    QVERIFY(editor->findChild<QPushButton*>("2515")->isHidden());
    auto* edit = editor->findChild<QLineEdit*>("2503");
    auto radix = [&](const char* id) { editor->findChild<QRadioButton*>(id)->click(); };
    auto ok = [&](const QString& text) {
      edit->setText(text);
      return Accept(editor.get());
    };
    const uint32_t before = chip_->GetFieldValue("stride");
    QVERIFY(editor->findChild<QRadioButton*>("2509")->isChecked());
    edit->setText("255");
    radix("2510");
    QCOMPARE(edit->text(), QString("FF"));
    QCOMPARE(Currently(editor.get()),
             "Currently  =  " + QString::number(before, 16).toUpper() + " bytes");
    for (const auto& [id, text] : {std::pair{"2511", "11111111"}, std::pair{"2509", "255"}}) {
      radix(id);
      QCOMPARE(edit->text(), QString(text));
    }
    QCOMPARE(ok("12"), 0);
    QCOMPARE(Currently(editor.get()), QString("Must be aligned by 8!"));
    QVERIFY(ShowsError(editor.get()));
    // An error shown is shown again in the new radix.
    ok("2000");
    QCOMPARE(Currently(editor.get()), QString("Must be between 0 and 1023!"));
    radix("2510");
    QCOMPARE(edit->text(), QString("7D0"));
    QCOMPARE(Currently(editor.get()), QString("Must be between 0 and 3FF!"));
    QCOMPARE(ok("NOSUCHFEATURE"), 0);
    QCOMPARE(Currently(editor.get()), QString("Unknown feature or token."));
    QCOMPARE(chip_->GetFieldValue("stride"), before);
    QCOMPARE(ok("A0"), 1);
    QVERIFY(!ShowsError(editor.get()));
    QCOMPARE(chip_->GetFieldValue("stride"), 160u);
    // Expressions name features; an empty edit reads as 0, below the minimum of fx.
    item = FeatureItem("fx");
    editor.reset(CreateFeatureEditor(nullptr, *chip_, *ui_, item));
    edit = editor->findChild<QLineEdit*>("2503");
    QCOMPARE(ok(""), 0);
    QCOMPARE(Currently(editor.get()), QString("Must be between 1 and 16!"));
    QCOMPARE(ok("FY/2"), 1);
    QCOMPARE(chip_->GetFieldValue("fx"), chip_->GetFieldValue("fy") / 2);
  }

  void addressEditorUsesMemoryMap() {
    chip_->SetFieldValue("regoffset", 0x200000);
    UiItem item = FeatureItem("regoffset");
    std::unique_ptr<FeatureEditor> editor(CreateFeatureEditor(nullptr, *chip_, *ui_, item));
    QCOMPARE(editor->objectName(), QString("217"));
    auto* edit = editor->findChild<QLineEdit*>("2503");
    QCOMPARE(edit->text(), QString("00200000"));
    auto* map = editor->findChild<QListWidget*>("2505");
    const QList<QListWidgetItem*> display = map->findItems("Display Memory", Qt::MatchContains);
    QVERIFY(!display.isEmpty());
    // Focusing the list leaves a typed value alone; clicking a line copies its start.
    editor->show();
    editor->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(editor.get()));
    edit->setText("00001000");
    map->setFocus(Qt::TabFocusReason);
    QVERIFY(map->currentItem() != nullptr);
    QCOMPARE(edit->text(), QString("00001000"));
    const QString start = display.last()->text().left(8);
    QTest::mouseClick(map->viewport(), Qt::LeftButton, {},
                      map->visualItemRect(display.last()).center());
    QCOMPARE(edit->text(), start);
    QCOMPARE(Accept(editor.get()), 1);
    QCOMPARE(chip_->GetFieldValue("regoffset"), start.toUInt(nullptr, 16));
  }

  void textAndListEditors() {
    UiItem item = FeatureItem("iosc");
    std::unique_ptr<FeatureEditor> editor(CreateFeatureEditor(nullptr, *chip_, *ui_, item));
    QCOMPARE(editor->objectName(), QString("204"));
    const std::string before = chip_->GetValueText("iosc", true);
    auto* edit = editor->findChild<QLineEdit*>("2504");
    QCOMPARE(edit->text().toStdString(), before);
    QCOMPARE(Currently(editor.get()).toStdString(), "Currently  =  " + before);
    edit->clear();  // an empty text keeps the value
    QCOMPARE(Accept(editor.get()), 1);
    QCOMPARE(std::string(chip_->GetValueText("iosc", true)), before);
    editor.reset(CreateFeatureEditor(nullptr, *chip_, *ui_, item));
    editor->findChild<QLineEdit*>("2504")->setText("12 MHz");
    Accept(editor.get());
    QCOMPARE(chip_->GetFieldValue("iosc"), 12000000u);
    // A description longer than the block holds is refused, as by the command line.
    item = FeatureItem("cfgdesc");
    for (const int length : {256, 255}) {
      editor.reset(CreateFeatureEditor(nullptr, *chip_, *ui_, item));
      editor->findChild<QLineEdit*>("2504")->setText(QString(length, 'd'));
      QCOMPARE(Accept(editor.get()), length == 255 ? 1 : 0);
      if (length == 256) {
        QCOMPARE(Currently(editor.get()),
                 QString("Cannot store the text: it is longer than 255 characters."));
        QVERIFY(ShowsError(editor.get()));
      }
    }
    QCOMPARE(std::string(chip_->GetValueText("cfgdesc", true)), std::string(255, 'd'));
    // The description holds 8-bit characters, one byte each; others are refused.
    editor.reset(CreateFeatureEditor(nullptr, *chip_, *ui_, item));
    editor->findChild<QLineEdit*>("2504")->setText(QString::fromUtf8("5 \u00B5s \u00FF"));
    QCOMPARE(Accept(editor.get()), 1);
    QCOMPARE(std::string(chip_->GetValueText("cfgdesc", true)), std::string("5 \xB5s \xFF"));
    editor.reset(CreateFeatureEditor(nullptr, *chip_, *ui_, item));
    QCOMPARE(editor->findChild<QLineEdit*>("2504")->text(), QString::fromUtf8("5 \u00B5s \u00FF"));
    editor->findChild<QLineEdit*>("2504")->setText(QString::fromUtf8("5 \u20AC"));
    QCOMPARE(Accept(editor.get()), 0);
    QCOMPARE(Currently(editor.get()), QString("Cannot store the text: U+20AC is not an 8-bit "
                                              "character (U+0000 to U+00FF)."));
    QCOMPARE(std::string(chip_->GetValueText("cfgdesc", true)), std::string("5 \xB5s \xFF"));
    // A list starts on the current entry; a double-click sets another and closes.
    item = FeatureItem("ii");
    editor.reset(CreateFeatureEditor(nullptr, *chip_, *ui_, item));
    QCOMPARE(editor->objectName(), QString("206"));
    auto* list = editor->findChild<QListWidget*>("2505");
    QCOMPARE(list->count(), 2);
    uint32_t position = 9;
    QVERIFY(chip_->GetListPosition("ii", &position));
    QCOMPARE(list->currentRow(), int(position));
    const int other = 1 - list->currentRow();
    QCOMPARE(Currently(editor.get()), "Currently  =  " + list->item(1 - other)->text());
    emit list->itemDoubleClicked(list->item(other));
    QCOMPARE(editor->result(), 1);
    QVERIFY(chip_->GetListPosition("ii", &position));
    QCOMPARE(int(position), other);
  }

  void overrideButtonSwitchesFeature() {
    UiItem item = FeatureItem("fx");
    item.overrideFeature = "ii";
    item.overridePos = "Switched off";
    item.overrideNeg = "In use";
    chip_->SetFieldValue("ii", 1);
    std::unique_ptr<FeatureEditor> editor(CreateFeatureEditor(nullptr, *chip_, *ui_, item));
    auto* button = editor->findChild<QPushButton*>("2515");
    QCOMPARE(button->text(), QString("Switched off"));
    auto* edit = editor->findChild<QLineEdit*>("2503");
    QVERIFY(!edit->isEnabled());
    QVERIFY(!editor->findChild<QRadioButton*>("2511")->isEnabled());
    button->click();
    QCOMPARE(button->text(), QString("In use"));
    QVERIFY(edit->isEnabled());
    editor->reject();  // Cancel leaves the override feature too
    QCOMPARE(chip_->GetFieldValue("ii"), 1u);
    editor.reset(CreateFeatureEditor(nullptr, *chip_, *ui_, item));
    editor->findChild<QPushButton*>("2515")->click();
    editor->findChild<QLineEdit*>("2503")->setText("5");
    QCOMPARE(Accept(editor.get()), 1);
    QCOMPARE(chip_->GetFieldValue("ii"), 0u);
    QCOMPARE(chip_->GetFieldValue("fx"), 5u);
  }

  void sequenceEditorEditsWorkingCopy() {
    chip_->sequence = {{kSequenceCommand, 0x2A, "start"}, {kSequenceParameter, 5, ""}};
    UiItem item = FeatureItem("seq");
    SequenceEditor editor(nullptr, *chip_, *ui_, item);
    auto* list = editor.findChild<QListWidget*>("2505");
    auto click = [](QWidget& dialog, const char* id) {
      dialog.findChild<QPushButton*>(id)->click();
    };
    QCOMPARE(Texts(list), QStringList({"COMMAND 2A  ( start )", "PARAM 05"}));
    QCOMPARE(list->currentRow(), 0);
    auto* type = editor.findChild<QComboBox*>("2513");
    auto* value = editor.findChild<QLineEdit*>("2512");
    QCOMPARE(value->text(), QString("2A"));
    // Append copies the type of the last item; the third item fills the array.
    click(editor, "4");
    QCOMPARE(list->item(2)->text(), QString("PARAM 00"));
    QCOMPARE(list->currentRow(), 2);
    click(editor, "4");
    click(editor, "3");
    type->setCurrentIndex(2);
    emit type->activated(2);
    value->setText("100");
    emit value->editingFinished();
    QCOMPARE(Texts(list), QStringList({"COMMAND 2A  ( start )", "PARAM 05", "DELAY 100"}));
    QCOMPARE(chip_->sequence.size(), size_t(2));  // the chip sees nothing before OK
    list->setCurrentRow(0);
    click(editor, "5");
    QCOMPARE(Texts(list), QStringList({"PARAM 05", "DELAY 100"}));
    Accept(&editor);
    QCOMPARE(chip_->sequence.size(), size_t(2));
    QCOMPARE(chip_->sequence[1].kind, kSequenceDelay);
    QCOMPARE(chip_->sequence[1].value, 100u);
    // Delete All empties the list and disables the details; Append then starts a command.
    SequenceEditor again(nullptr, *chip_, *ui_, item);
    click(again, "6");
    QCOMPARE(again.findChild<QListWidget*>("2505")->count(), 0);
    QVERIFY(!again.findChild<QComboBox*>("2513")->isEnabled());
    click(again, "4");
    QCOMPARE(Texts(again.findChild<QListWidget*>("2505")), QStringList{"COMMAND 0"});
    again.reject();
    QCOMPARE(chip_->sequence.size(), size_t(2));
  }

  // Frequency and register editors refuse what they cannot read, say why in red, whole,
  // and stay open with the focus back in the edit.
  void valueEditorsRefuseUnreadableText() {
    UiItem item = FeatureItem("clki");
    const uint32_t clki = chip_->GetFieldValue("clki");
    for (const char* typed : {"banana", "25000000", "3276.8  kHz"}) {
      std::unique_ptr<FeatureEditor> editor(CreateFeatureEditor(nullptr, *chip_, *ui_, item));
      ShowActive(editor.get());
      auto* edit = editor->findChild<QLineEdit*>("2504");
      edit->setText(typed);
      const bool read = typed[0] == '3';
      QCOMPARE(Accept(editor.get()), read ? 1 : 0);
      QCOMPARE(chip_->GetFieldValue("clki"), read ? 3276800u : clki);
      if (read) continue;
      QVERIFY(Currently(editor.get()).startsWith("Cannot read"));
      QVERIFY(ShowsError(editor.get()));
      QVERIFY(ShowsWhole(editor->findChild<QLabel*>("2506")));
      QCOMPARE(QApplication::focusWidget(), edit);
    }
    ManualChanges changes;
    unsigned radix = 10;
    const uint32_t value = chip_->ReadRegister(0, false);
    RegisterEditor editor(nullptr, *chip_, changes, 0, 0, radix);
    ShowActive(&editor);
    const struct {
      const char *typed, *message;
    } rows[] = {{"abc", "Cannot read \"abc\": not a decimal number"},
                {"256", "Cannot store \"256\": the value does not fit 8 bits"}};
    auto* line = editor.findChild<QLabel*>("2101");
    for (const auto& row : rows) {
      editor.findChild<QLineEdit*>("2103")->setText(row.typed);
      editor.findChild<QLabel*>("2101")->setFocus();
      QCOMPARE(Accept(&editor), 0);
      QCOMPARE(line->text(), QString(row.message));
      QCOMPARE(line->palette().color(QPalette::WindowText), QColor(255, 0, 0));
      QVERIFY(ShowsWhole(line));
      QCOMPARE(QApplication::focusWidget(), editor.findChild<QLineEdit*>("2103"));
    }
    QCOMPARE(chip_->ReadRegister(0, false), value);
    editor.findChild<QLineEdit*>("2103")->setText("17");
    QCOMPARE(Accept(&editor), 1);
    QCOMPARE(chip_->ReadRegister(0, false), 17u);
  }

  // Options count only as the first argument; --open takes at most one file.
  void startOptions() {
    using Action = StartOptions::Action;
    const struct {
      std::vector<const char*> args;
      Action action;
      const char* file;
    } rows[] = {{{}, Action::kRun, ""},
                {{"--help"}, Action::kHelp, ""},
                {{"--version", "x"}, Action::kVersion, ""},
                {{"A.EXE", "--help"}, Action::kRun, ""},
                {{"--open", "/tmp/a b.s19"}, Action::kRun, "/tmp/a b.s19"},
                {{"--open"}, Action::kRun, ""},
                {{"--open", "a.s19", "b.s19"}, Action::kUsageError, ""}};
    for (const auto& row : rows) {
      std::vector<const char*> argv{"62500twk"};
      argv.insert(argv.end(), row.args.begin(), row.args.end());
      const StartOptions options = ParseStartOptions(int(argv.size()), argv.data());
      QCOMPARE(options.action, row.action);
      QCOMPARE(options.openFile, std::string(row.file));
    }
  }

 private:
  std::unique_ptr<TestChip> chip_;
  std::unique_ptr<UiFeatures> ui_;
};

}  // namespace k7q

QTEST_MAIN(k7q::EditorsTest)
#include "editors_test.moc"
