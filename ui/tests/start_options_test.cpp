#include "ui/start_options.h"

#include <QTest>

class StartOptionsTest : public QObject {
  Q_OBJECT

 private slots:
  void OptionsOnlyAsFirstArgument() {
    const char* none[] = {"62500twk"};
    QCOMPARE(ParseStartOptions(1, none).action, StartOptions::Action::kRun);
    const char* help[] = {"62500twk", "--help"};
    QCOMPARE(ParseStartOptions(2, help).action, StartOptions::Action::kHelp);
    const char* version[] = {"62500twk", "--version", "x"};
    QCOMPARE(ParseStartOptions(3, version).action, StartOptions::Action::kVersion);
    // After a file name, an option is just more of the command line.
    const char* files[] = {"62500twk", "A.EXE", "--help"};
    QCOMPARE(ParseStartOptions(3, files).action, StartOptions::Action::kRun);
    QVERIFY(ParseStartOptions(3, files).openFile.empty());
  }

  void OpenTakesAtMostOneFile() {
    const char* open[] = {"62500twk", "--open", "/tmp/a b.s19"};
    const StartOptions options = ParseStartOptions(3, open);
    QCOMPARE(options.action, StartOptions::Action::kRun);
    QCOMPARE(options.openFile, std::string("/tmp/a b.s19"));
    QCOMPARE(ParseStartOptions(2, open).action, StartOptions::Action::kRun);
    QVERIFY(ParseStartOptions(2, open).openFile.empty());
    const char* two[] = {"62500twk", "--open", "a.s19", "b.s19"};
    QCOMPARE(ParseStartOptions(4, two).action, StartOptions::Action::kUsageError);
  }
};

QTEST_APPLESS_MAIN(StartOptionsTest)
#include "start_options_test.moc"
