// The Configure Multiple dialog: collect files by browsing folders or dropping them,
// then save the current block into each of them in place.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QRadioButton;

namespace k7q {

class Chip62500;

// Which configuration a pass writes.
struct PassSource {
  QString file;          // the open file; empty: the built-in default configuration
  bool unsaved = false;  // the block differs from the file's (or from the default)
  bool confirm = false;  // ask once before writing the built-in default
};
// "Writes the configuration of "FILE" with unsaved changes.", and the like.
QString PassSourceText(const PassSource& source);

class ConfigureMultipleDialog : public QDialog {
  Q_OBJECT

 public:
  // names are added to the selected files when the dialog opens.
  ConfigureMultipleDialog(QWidget* owner, Chip62500& chip, const QStringList& names,
                          const PassSource& source = {});

  QString Folder() const { return folder_; }
  QStringList SelectedFiles() const;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void FillBrowser();
  // Adds the browser entry as a file; on a double click a folder entry is opened.
  void AddEntry(const QString& entry, bool doubleClick);
  void AddSelected(const QString& path);
  void RemoveSelected();
  void Configure();

  Chip62500& chip_;
  PassSource source_;
  QString folder_;
  std::vector<std::string> selected_;
  QListWidget* browser_;
  QListWidget* selectedList_;
  QRadioButton* allFiles_;
  QCheckBox* preserve_;
  QLabel* folderText_;
};

struct ConfigureOutcome;
// The pass's summary: the lead with the counts, and a line for every file, failures with
// their reason.
struct PassSummary {
  QString lead;
  QString lines;
};
PassSummary SummarizePass(const std::vector<std::string>& targets, const ConfigureOutcome& outcome);

void RunConfigureMultipleDialog(QWidget* owner, Chip62500& chip, const QStringList& names,
                                const PassSource& source);

}  // namespace k7q
