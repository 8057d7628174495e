#include "ui/features_page.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "config/chip62500.h"
#include "ui/message_box.h"
#include "ui/tests/ui_test_support.h"
#include "uifeatures/ui_features.h"

namespace {

const char kDocument[] = R"(<UIFEATURES>
<UIITEM TYPE="group" SHORTNAME="Panel" FULLNAME="Panel">
  <UIITEM TYPE="item" FEATURE="fx"/>
  <UIITEM TYPE="item" FEATURE="fy" ACCESS="ro"/>
  <UIITEM TYPE="item" FEATURE="stride" HIDEWHEN="fx-3"/>
  <UIITEM TYPE="group" SHORTNAME="Inner" FULLNAME="Inner">
    <UIITEM TYPE="item" FEATURE="ii" OVERRIDE="pccard" OVERRIDEPOS="card" OVERRIDENEG="no card"/>
  </UIITEM>
</UIITEM>
<UIITEM TYPE="group" SHORTNAME="Maps" FULLNAME="Maps">
  <UIITEM TYPE="template" SHORTNAME="Offsets" FULLNAME="Offsets">
    <DEFINE KEYNAME="r" FEATURE="regoffset" SHORTNAME="Reg" FULLNAME="Register"/>
    <TEMPLATE KEYNAME="zero" SHORTNAME="Zero" FULLNAME="All zero"><FEATURE KEYNAME="r" VALUE="00000000h"/></TEMPLATE>
  </UIITEM>
</UIITEM>
<UIITEM TYPE="template" SHORTNAME="Base" FULLNAME="Base">
  <DEFINE KEYNAME="b" FEATURE="baseaddr" SHORTNAME="Base" FULLNAME="Base address"/>
  <TEMPLATE KEYNAME="low" SHORTNAME="Low" FULLNAME="Low base"><FEATURE KEYNAME="b" VALUE="00000000h"/></TEMPLATE>
</UIITEM>
</UIFEATURES>)";

QTreeWidgetItem* Find(QTreeWidget* tree, const QString& start) {
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    if ((*it)->text(0).startsWith(start)) return *it;
  }
  return nullptr;
}

}  // namespace

class FeaturesPageTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    chip_ = std::make_unique<Chip62500>();
    chip_->LoadBlock(DefaultHalStruct());
    chip_->SetFieldValue("fx", 8);
    features_ = std::make_unique<UiFeatures>(*chip_, kDocument);
    host_ = std::make_unique<TestHost>(*chip_, *features_);
    RecordMessages(&messages_);
  }

  void cleanup() {
    page_.reset();
    SetMessageHook(nullptr);
  }

  void treeShowsItemsAndValues() {
    QTreeWidget* tree = Reopen();
    QCOMPARE(host_->diagnosticsShown, 1);
    QCOMPARE(tree->topLevelItemCount(), 5);
    QCOMPARE(tree->topLevelItem(0)->text(0), QString("PANEL"));
    QCOMPARE(tree->topLevelItem(1)->text(0), QString(" "));
    QCOMPARE(tree->topLevelItem(2)->text(0), QString("MAPS"));
    // A top-level template keeps its letter case and is bold.
    QCOMPARE(tree->topLevelItem(4)->text(0), QString("Base* =  Low base"));
    QVERIFY(tree->topLevelItem(4)->font(0).bold());
    QVERIFY(!tree->topLevelItem(0)->font(0).bold());
    QTreeWidgetItem* panel = tree->topLevelItem(0);
    QVERIFY(panel->isExpanded());
    QCOMPARE(panel->child(0)->text(0), QString("Character width  =  8 pixels"));
    QCOMPARE(panel->child(1)->text(0).left(33), QString("Character height [READONLY]   =  "));
    QTreeWidgetItem* inner = panel->child(2);
    QCOMPARE(inner->text(0), QString("Inner"));
    QVERIFY(!inner->isExpanded());
    QCOMPARE(inner->child(0)->text(0), QString("Indirect Interface  =  False [no card]"));
    const UiItem& ii = features_->TopLevel()[0]->children[3]->children[0]->item;
    QCOMPARE(inner->child(0)->toolTip(0), QString::fromStdString(features_->Description(ii)));
    QCOMPARE(tree->currentItem(), panel->child(0));  // the first item below the top level
    QVERIFY(Find(tree, "Offsets")->font(0).bold());
    QVERIFY(Find(tree, "Offsets")->isExpanded());
    chip_->SetFieldValue("regoffset", 0x1000);
    QCOMPARE(Find(Reopen(), "Offsets")->text(0), QString("Offsets* =  (no match)"));
    chip_->SetFieldValue("regoffset", 0);
    tree = Reopen();
    QCOMPARE(Find(tree, "Offsets")->text(0), QString("Offsets* =  All zero"));

    // HIDEWHEN: hidden while fx-3 is not 0.
    QVERIFY(!Find(tree, "Bytes per display line"));
    chip_->SetFieldValue("fx", 3);
    QVERIFY(Find(Reopen(), "Bytes per display line"));
  }

  void selectionAndExpansionSurviveThePage() {
    QTreeWidget* tree = Reopen();
    Find(tree, "Inner")->setExpanded(true);
    tree->setCurrentItem(Find(tree, "Inner")->child(0));
    tree = Reopen();
    QTreeWidgetItem* inner = Find(tree, "Inner");
    QVERIFY(inner->isExpanded());
    QCOMPARE(tree->currentItem(), inner->child(0));
    inner->setExpanded(false);
    QVERIFY(!Find(Reopen(), "Inner")->isExpanded());
  }

  void enterOpensEditorAndRefreshes() {
    QTreeWidget* tree = Reopen();
    // A read-only item only shows the message; a group and a separator do nothing.
    PressEnter(tree, Find(tree, "Character height"));
    QCOMPARE(messages_, QStringList{"This feature is READONLY."});
    PressEnter(tree, tree->topLevelItem(1));
    PressEnter(tree, tree->topLevelItem(0));
    QCOMPARE(messages_.size(), 1);

    QString title;
    QTimer::singleShot(0, [&title] {
      auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(editor);
      title = editor->objectName();
      editor->findChild<QLineEdit*>("2503")->setText("12");
      editor->accept();
    });
    PressEnter(tree, Find(tree, "Character width"));
    QCOMPARE(title, QString("203"));
    QCOMPARE(chip_->GetFieldValue("fx"), 12u);
    QTRY_COMPARE(host_->changes, 1);
    QCOMPARE(tree->currentItem()->text(0), QString("Character width  =  12 pixels"));

    // Cancel leaves the tree as it was.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    PressEnter(tree, Find(tree, "Character width"));
    QTest::qWait(10);
    QCOMPARE(host_->changes, 1);
  }

  void templateChooserAppliesTemplate() {
    chip_->SetFieldValue("regoffset", 0x2000);
    QTreeWidget* tree = Reopen();
    QStringList details;
    QTimer::singleShot(0, [&details] {
      auto* chooser = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(chooser);
      QCOMPARE(chooser->objectName(), QString("216"));
      auto* names = chooser->findChild<QListWidget*>("2507");
      auto* values = chooser->findChild<QListWidget*>("2505");
      details << values->item(0)->text();
      names->setCurrentRow(0);
      details << values->item(0)->text();
      chooser->accept();
    });
    PressEnter(tree, Find(tree, "Offsets"));
    QCOMPARE(details, (QStringList{"None of the templates match current settings.",
                                   "Register  =  00000000h"}));
    QCOMPARE(chip_->GetFieldValue("regoffset"), 0u);
    QTRY_VERIFY(Find(tree, "Offsets* =  All zero"));
  }

  void builtInTemplateOrvixBoard() {
    UiFeatures builtIn(*chip_);
    TestHost host(*chip_, builtIn);
    chip_->SetFieldValue("memoffset", 0x100000);
    std::unique_ptr<QWidget> page(CreateFeaturesPage(host, nullptr));
    auto* tree = page->findChild<QTreeWidget*>("1601");
    QVERIFY(Find(tree, "Memory Map Templates* =  (no match)"));
    QTimer::singleShot(0, [] {
      auto* chooser = QApplication::activeModalWidget();
      auto* names = chooser->findChild<QListWidget*>("2507");
      const auto found = names->findItems("Orvix Evaluation Board", Qt::MatchExactly);
      QCOMPARE(found.size(), 1);
      emit names->itemDoubleClicked(found[0]);
    });
    PressEnter(tree, Find(tree, "Memory Map Templates"));
    QCOMPARE(chip_->GetFieldValue("memoffset"), 0u);
    QCOMPARE(chip_->GetFieldValue("baseaddr"), 0u);
    QTRY_VERIFY(Find(tree, "Memory Map Templates* =  Orvix Evaluation Board"));
    QVERIFY(messages_.isEmpty());
  }

 private:
  std::unique_ptr<Chip62500> chip_;
  std::unique_ptr<UiFeatures> features_;
  std::unique_ptr<TestHost> host_;
  QStringList messages_;
  std::unique_ptr<QWidget> page_;

  // Closes the page (which keeps its state in the host) and opens a new one.
  QTreeWidget* Reopen() {
    page_.reset();
    page_.reset(CreateFeaturesPage(*host_, nullptr));
    return page_->findChild<QTreeWidget*>("1601");
  }
};

QTEST_MAIN(FeaturesPageTest)
#include "features_page_test.moc"
