// What every feature editor shares: the caption, the "Currently" line and the
// override button that lets a second feature switch the item off.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace k7q {

class ChipEngine;
class UiFeatures;
struct UiItem;

class FeatureEditor : public QDialog {
  Q_OBJECT

 public:
  FeatureEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item, int id);

 protected:
  // Called on OK after the override state is applied; false keeps the dialog open.
  virtual bool Apply() = 0;
  // The controls that the override switches off.
  virtual QList<QWidget*> ValueControls() const = 0;
  // Adds "Currently" line to the layout; number-like editors call it first.
  void AddCurrentlyLine();
  // Adds OK, Cancel and the override button; the last step of every constructor.
  void FinishSetup();
  void ShowCurrently(const QString& text, bool error);
  void RefreshCurrently();
  const std::string& Feature() const { return feature_; }

  ChipEngine& chip_;
  UiFeatures& ui_;
  UiItem& item_;
  unsigned radix_ = 10;
  QLabel* currently_ = nullptr;

 private:
  void ShowOverride();
  void accept() override;

  std::string feature_;
  QPushButton* override_ = nullptr;
  bool overrideOn_ = false;
};

}  // namespace k7q
