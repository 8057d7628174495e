// The one top-level window: menu, tab strip with one live page, Diagnostics box.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>

#include "ui/block_change.h"
#include "ui/page_host.h"

class QAction;
class QActionGroup;
class QGroupBox;
class QFrame;
class QPlainTextEdit;
class QTabBar;
class QUndoStack;

namespace k7q {

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
  // Records what a page changed as one undoable step.
  void SettingsChanged() override;
  QWidget* Window() override { return this; }

  const QString& CurrentFile() const { return currentFile_; }
  bool OpenFile(const QString& path);
  QWidget* CurrentPage() const { return page_; }
  int TooltipDelay() const { return tooltipDelay_; }
  bool TooltipsEnabled() const { return tooltipsEnabled_; }
  QUndoStack* UndoStack() const { return undo_; }

  // Records the change of the block since the last recorded state as one undoable step
  // named text; nothing when the block is unchanged. Call it after changing the block
  // other than through a page.
  void RecordBlockChange(const QString& text);
  // True when the block differs from the one last opened or saved.
  bool HasUnsavedChanges() const;

 public slots:
  void ShowPage(int index);
  void Open();
  void Save();
  void SaveAs();
  // Moves the focus to the Features tab's search field.
  void Find();
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
  void AddShortcuts();
  // Asks to save unsaved changes; false when the user cancels. With revertOnDiscard, an
  // answer of Discard goes back to the saved block.
  bool MaybeSave(bool revertOnDiscard = false);
  void ConfigureMultipleFiles(const QStringList& names);
  bool SaveFile(const QString& newName);
  void LoadState(const BlockState& state);
  BlockState CurrentState() const;
  void MarkSaved();
  void UpdateActions();
  void PrepareMenu();
  void UpdateTitle();
  void UpdateModified();
  // Says in the status bar what was written where.
  void ReportWritten(const QString& text);
  void SetTooltipDelay(int milliseconds);

  Chip62500& chip_;
  UiFeatures& features_;
  QTabBar* tabs_ = nullptr;
  QFrame* pageFrame_ = nullptr;
  QWidget* page_ = nullptr;
  QWidget* pageContainer_ = nullptr;  // the page, or the scroll area around it
  QPlainTextEdit* diagnostics_ = nullptr;
  QAction* save_ = nullptr;
  QAction* saveAs_ = nullptr;
  QAction* tooltips_ = nullptr;
  QAction* about_ = nullptr;
  QActionGroup* delays_ = nullptr;
  QUndoStack* undo_ = nullptr;
  HalStruct savedBlock_{};  // as last opened or saved
  BlockState recorded_{};   // as after the last recorded change
  QString currentFile_;
  QString lastDiagnostics_;
  bool closing_ = false;
  bool tooltipsEnabled_ = true;
  int tooltipDelay_ = 250;
};

}  // namespace k7q
