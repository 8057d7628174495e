// Every user message: a message box captioned with the program name and centred
// over its owner.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

int ShowMessage(QWidget* owner, const QString& text, QMessageBox::Icon icon = QMessageBox::NoIcon,
                QMessageBox::StandardButtons buttons = QMessageBox::Ok);

struct FileOutcome;
// A file operation's messages: the file reader's errors in error boxes, the open and save
// sentences with the exclamation icon.
void ShowFileMessages(QWidget* owner, const FileOutcome& outcome);

// Tests answer message boxes through this hook instead of a modal box.
using MessageHook = std::function<int(const QString& text, QMessageBox::Icon icon)>;
void SetMessageHook(MessageHook hook);
