#include "ui/message_box.h"

#include <QAbstractButton>
#include <QApplication>

#include "config/chip62500.h"
#include "config/configurable_file.h"
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
  // The answers of the save question have keys of their own.
  const struct {
    QMessageBox::StandardButton button;
    const char* text;
  } kMnemonics[] = {{QMessageBox::Save, "&Save"},
                    {QMessageBox::Discard, "&Discard"},
                    {QMessageBox::Cancel, "&Cancel"},
                    {QMessageBox::Yes, "&Yes"},
                    {QMessageBox::No, "&No"}};
  for (const auto& row : kMnemonics) {
    if (QAbstractButton* button = box.button(row.button)) button->setText(row.text);
  }
  if (owner) {
    box.adjustSize();
    const QRect frame = owner->frameGeometry();
    box.move(frame.center() - QPoint(box.width() / 2, box.height() / 2));
  }
  return box.exec();
}

void ShowFileMessages(QWidget* owner, const FileOutcome& outcome) {
  for (const std::string& notice : outcome.notices) {
    ShowMessage(owner, QString::fromStdString(notice), QMessageBox::Information);
  }
  for (size_t i = 0; i < outcome.messages.size(); ++i) {
    const QMessageBox::Icon icon =
        i < outcome.readerErrors ? QMessageBox::Critical : QMessageBox::Warning;
    ShowMessage(owner, QString::fromStdString(outcome.messages[i]), icon);
  }
}
