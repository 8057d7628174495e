// The one top-level window: menu, tab strip with one live page, Diagnostics box.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>

#include "ui/page_host.h"

class QAction;
class QActionGroup;
class QGroupBox;
class QPlainTextEdit;
class QTabBar;
class QVBoxLayout;

// Asks for a file name; tests answer it. open: an Open dialog, else Save As. A name
// typed without an extension gets defaultSuffix.
using FileChooser =
    std::function<QString(QWidget* owner, bool open, const QString& title, const QString& filters,
                          const QString& initial, const QString& defaultSuffix)>;
void SetFileChooser(FileChooser chooser);

class MainWindow : public QMainWindow, public PageHost {
  Q_OBJECT

 public:
  MainWindow(Chip62500& chip, UiFeatures& features);

  Chip62500& Chip() override { return chip_; }
  UiFeatures& Features() override { return features_; }
  void ShowDiagnostics(const QString& text, bool alert) override;
  void SettingsChanged() override {}
  QWidget* Window() override { return this; }

  const QString& CurrentFile() const { return currentFile_; }
  bool OpenFile(const QString& path);
  QWidget* CurrentPage() const { return page_; }
  int TooltipDelay() const { return tooltipDelay_; }
  bool TooltipsEnabled() const { return tooltipsEnabled_; }

 public slots:
  void ShowPage(int index);
  void Open();
  void Save();
  void SaveAs();
  void ImportSettings();
  void ExportSettings();
  void CompareWith();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenu();
  void PrepareMenu();
  void UpdateTitle();
  void SetTooltipDelay(int milliseconds);

  Chip62500& chip_;
  UiFeatures& features_;
  QTabBar* tabs_ = nullptr;
  QVBoxLayout* pageLayout_ = nullptr;
  QWidget* page_ = nullptr;
  QPlainTextEdit* diagnostics_ = nullptr;
  QAction* save_ = nullptr;
  QAction* saveAs_ = nullptr;
  QAction* tooltips_ = nullptr;
  QAction* about_ = nullptr;
  QActionGroup* delays_ = nullptr;
  QString currentFile_;
  QString lastDiagnostics_;
  bool closing_ = false;
  bool tooltipsEnabled_ = true;
  int tooltipDelay_ = 250;
};
