#include "ui/version_check.h"

#include <QVersionNumber>
#include <QtGlobal>

#include "ui/message_box.h"

namespace {

QVersionNumber Installed() {
  return QVersionNumber::fromString(qVersion());
}

QVersionNumber Required() {
  return QVersionNumber(QT_VERSION_MAJOR, QT_VERSION_MINOR);
}

}  // namespace

bool ToolkitIsRecentEnough() {
  const QVersionNumber installed = Installed();
  return QVersionNumber(installed.majorVersion(), installed.minorVersion()) >= Required();
}

void ShowVersionDialog(QWidget* owner) {
  const QVersionNumber installed = Installed();
  const QString text = QString(
                           "This program requires version %1.%2 (or greater) Qt libraries.\n"
                           "Your system is using version %3.%4 Qt libraries.\n"
                           "Your system %5 updating!")
                           .arg(Required().majorVersion())
                           .arg(Required().minorVersion(), 2, 10, QChar('0'))
                           .arg(installed.majorVersion())
                           .arg(installed.minorVersion(), 2, 10, QChar('0'))
                           .arg(ToolkitIsRecentEnough() ? "does NOT require" : "REQUIRES");
  ShowMessage(owner, text, QMessageBox::Information);
}
