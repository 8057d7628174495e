#include "ui/message_box.h"

#include <QApplication>

#include "config/chip62500.h"
#include "config/program_texts.h"

namespace {
MessageHook& Hook() {
  static MessageHook hook;
  return hook;
}
}  // namespace

void SetMessageHook(MessageHook hook) {
  Hook() = std::move(hook);
}

int ShowMessage(QWidget* owner, const QString& text, QMessageBox::Icon icon,
                QMessageBox::StandardButtons buttons) {
  if (Hook()) return Hook()(text, icon);
  if (!owner) owner = QApplication::activeWindow();
  QMessageBox box(icon, QString::fromStdString(ProgramName(TheChip())), text, buttons, owner);
  if (owner) {
    box.adjustSize();
    const QRect frame = owner->frameGeometry();
    box.move(frame.center() - QPoint(box.width() / 2, box.height() / 2));
  }
  return box.exec();
}
