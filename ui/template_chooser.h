// The template chooser of a template item.
#pragma once

#include <QDialog>

class QListWidget;

namespace k7q {

class UiFeatures;
struct UiItem;

class TemplateChooser : public QDialog {
  Q_OBJECT

 public:
  TemplateChooser(QWidget* owner, UiFeatures& ui, UiItem& item);

 private:
  void accept() override;
  int SelectedRow() const;
  void ShowDetails();
  void FitWidth();
  void Apply(int index);

  UiFeatures& ui_;
  UiItem& item_;
  QListWidget* templates_;
  QListWidget* details_;
};

}  // namespace k7q
