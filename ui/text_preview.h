// A read-only, fixed-pitch view of a generated text file, with Copy and Save As.
#pragma once

#include <QByteArray>
#include <QDialog>

class QPlainTextEdit;

namespace k7q {

class TextPreview : public QDialog {
  Q_OBJECT

 public:
  // Shows the file at path; false when it cannot be read.
  TextPreview(QWidget* owner, const QString& path);
  bool IsLoaded() const { return loaded_; }
  QString Text() const;

 private:
  void Copy();
  void SaveAs();

  QString path_;
  QByteArray bytes_;
  bool loaded_ = false;
  QPlainTextEdit* view_;
};

// Opens a modal preview of the file; false when it cannot be read.
bool ShowTextPreview(QWidget* owner, const QString& path);

}  // namespace k7q
