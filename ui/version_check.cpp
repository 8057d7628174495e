#include "ui/version_check.h"

#include <QVersionNumber>
#include <QtGlobal>

#include "ui/message_box.h"
#include "uimodel/program_texts.h"

namespace k7q {

namespace {

QVersionNumber Installed() {
  return QVersionNumber::fromString(qVersion());
}

}  // namespace

bool ToolkitIsRecentEnough() {
  const QVersionNumber installed = Installed();
  return QVersionNumber(installed.majorVersion(), installed.minorVersion()) >=
         QVersionNumber(QT_VERSION_MAJOR, QT_VERSION_MINOR);
}

void ShowVersionDialog(QWidget* owner) {
  const QVersionNumber installed = Installed();
  const std::string text = UpdateToolkitText(QT_VERSION_MAJOR, QT_VERSION_MINOR,
                                             installed.majorVersion(), installed.minorVersion());
  ShowMessage(owner, QString::fromStdString(text),
              ToolkitIsRecentEnough() ? QMessageBox::Information : QMessageBox::Critical);
}

}  // namespace k7q
