#include "ui/text_preview.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "storage/staged_file.h"
#include "ui/message_box.h"

namespace k7q {

TextPreview::TextPreview(QWidget* owner, const QString& path) : QDialog(owner), path_(path) {
  setObjectName("TextPreview");
  setWindowTitle(QFileInfo(path).fileName());
  QFile file(path);
  loaded_ = file.open(QIODevice::ReadOnly);
  if (loaded_) bytes_ = file.readAll();

  auto* layout = new QVBoxLayout(this);
  view_ = new QPlainTextEdit(this);
  view_->setObjectName("text");
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view_->setPlainText(QString::fromLatin1(bytes_).remove('\r'));
  layout->addWidget(view_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* copy = buttons->addButton("&Copy", QDialogButtonBox::ActionRole);
  copy->setObjectName("copy");
  QPushButton* saveAs = buttons->addButton("Save &As...", QDialogButtonBox::ActionRole);
  saveAs->setObjectName("saveAs");
  connect(copy, &QPushButton::clicked, this, &TextPreview::Copy);
  connect(saveAs, &QPushButton::clicked, this, &TextPreview::SaveAs);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  buttons->button(QDialogButtonBox::Close)->setDefault(true);
  layout->addWidget(buttons);

  // Eighty columns and thirty lines, within the screen.
  const QFontMetrics metrics(view_->font());
  resize(82 * metrics.horizontalAdvance('M') + 40, 30 * metrics.lineSpacing() + 80);
}

QString TextPreview::Text() const {
  return view_->toPlainText();
}

// The selection, or the whole text when nothing is selected.
void TextPreview::Copy() {
  const QString selected = view_->textCursor().selectedText().replace(QChar(0x2029), '\n');
  QApplication::clipboard()->setText(selected.isEmpty() ? Text() : selected);
}

void TextPreview::SaveAs() {
  QFileDialog dialog(this, "Save As");
  dialog.setObjectName("PreviewSaveAs");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.selectFile(QFileInfo(path_).fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString name = dialog.selectedFiles().first();
  const std::string reason =
      WriteWholeOutput(name.toStdString(), std::string_view(bytes_.constData(), bytes_.size()));
  if (!reason.empty()) {
    ShowMessage(this,
                QString("ERROR: Could not write file \"%1\".\n\n%2")
                    .arg(name, QString::fromStdString(reason)),
                QMessageBox::Warning);
  }
}

bool ShowTextPreview(QWidget* owner, const QString& path) {
  TextPreview preview(owner, path);
  if (!preview.IsLoaded()) return false;
  preview.exec();
  return true;
}

}  // namespace k7q
