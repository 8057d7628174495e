// Every user message: a message box captioned with the program name and centred
// over its owner.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <functional>

#include "failure/failure.h"

namespace k7q {

int ShowMessage(QWidget* owner, const QString& text, QMessageBox::Icon icon = QMessageBox::NoIcon,
                QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// Each failure's reason in a box of its own: errors with the error icon, warnings with
// the exclamation icon, notes with the information icon.
void ShowFailures(QWidget* owner, const Failures& failures);

// The same, each box of one file in a pass over many offering "Don't show further
// messages for this pass"; true when the user ticked it.
bool ShowFailuresOfPass(QWidget* owner, const Failures& failures);

// A message too long for a message box: the lead text above a scrolling list of lines,
// with the icon, captioned with the program name and within the screen.
class LongMessage : public QDialog {
  Q_OBJECT

 public:
  LongMessage(QWidget* owner, const QString& lead, const QString& details, QMessageBox::Icon icon);
  QMessageBox::Icon Icon() const { return icon_; }

 private:
  QMessageBox::Icon icon_;
};
void ShowLongMessage(QWidget* owner, const QString& lead, const QString& details,
                     QMessageBox::Icon icon);

// Tests answer message boxes through this hook instead of a modal box; a long message
// reaches it as the lead, an empty line and the lines.
using MessageHook = std::function<int(const QString& text, QMessageBox::Icon icon)>;
void SetMessageHook(MessageHook hook);

}  // namespace k7q
