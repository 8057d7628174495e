#include "ui/configure_multiple_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "config/chip62500.h"
#include "config/configure_multiple.h"
#include "ui/message_box.h"

namespace k7q {

namespace {

QPushButton* Button(QWidget* parent, int id, const char* text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::number(id));
  return button;
}

QListWidget* FileList(QWidget* parent, int id) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::number(id));
  list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  list->setUniformItemSizes(true);
  list->setMinimumWidth(220);
  return list;
}

// The folder the dialog was last in; it opens there the next time.
QString& LastFolder() {
  static QString folder = QDir::currentPath();
  return folder;
}

}  // namespace

QString PassSourceText(const PassSource& source) {
  const QString what = source.file.isEmpty()
                           ? QString("the built-in default configuration")
                           : QString("the configuration of \"%1\"").arg(source.file);
  return "Writes " + what + (source.unsaved ? " with unsaved changes." : ".");
}

ConfigureMultipleDialog::ConfigureMultipleDialog(QWidget* owner, Chip62500& chip,
                                                 const QStringList& names, const PassSource& source)
    : QDialog(owner),
      chip_(chip),
      source_(source),
      folder_(QDir(LastFolder()).exists() ? LastFolder() : QDir::currentPath()) {
  setObjectName("ConfigureMultiple");
  setWindowTitle("Configure Multiple");
  setAcceptDrops(true);

  browser_ = FileList(this, 2201);
  selectedList_ = FileList(this, 2202);
  auto* browserLabel = new QLabel("Select &files to configure:", this);
  browserLabel->setBuddy(browser_);
  auto* selectedLabel = new QLabel("Selec&ted files:", this);
  selectedLabel->setBuddy(selectedList_);
  folderText_ = new QLabel(this);
  folderText_->setObjectName("2211");
  auto* sourceText = new QLabel(PassSourceText(source_), this);
  sourceText->setObjectName("source");
  sourceText->setWordWrap(true);

  auto* add = Button(this, 2203, "&Add >");
  auto* addAll = Button(this, 2204, "A&dd All >>");
  auto* remove = Button(this, 2205, "< &Remove");
  auto* removeAll = Button(this, 2206, "<< R&emove All");
  allFiles_ = new QRadioButton("&Show all files", this);
  allFiles_->setObjectName("2207");
  auto* confOnly = new QRadioButton("Show c&onf.", this);
  confOnly->setObjectName("2208");
  auto* confOnlyText = new QLabel("files only", this);
  confOnlyText->setObjectName("2209");
  confOnly->setChecked(true);
  preserve_ = new QCheckBox("&Preserve physical addresses", this);
  preserve_->setObjectName("2212");
  auto* configure = Button(this, 2210, "&Configure");
  configure->setDefault(true);
  auto* close = Button(this, 2, "C&lose");

  auto* middle = new QVBoxLayout;
  middle->addStretch();
  for (QWidget* w : {static_cast<QWidget*>(add), static_cast<QWidget*>(addAll),
                     static_cast<QWidget*>(remove), static_cast<QWidget*>(removeAll)})
    middle->addWidget(w);
  middle->addSpacing(12);
  middle->addWidget(allFiles_);
  middle->addWidget(confOnly);
  middle->addWidget(confOnlyText);
  middle->addStretch();

  auto* grid = new QGridLayout(this);
  grid->addWidget(browserLabel, 0, 0);
  grid->addWidget(selectedLabel, 0, 2);
  grid->addWidget(browser_, 1, 0);
  grid->addLayout(middle, 1, 1);
  grid->addWidget(selectedList_, 1, 2);
  grid->addWidget(folderText_, 2, 0, 1, 2);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(preserve_);
  bottom->addStretch();
  bottom->addWidget(configure);
  bottom->addWidget(close);
  grid->addWidget(sourceText, 3, 0, 1, 3);
  grid->addLayout(bottom, 4, 0, 1, 3);

  connect(add, &QPushButton::clicked, this, [this] {
    if (QListWidgetItem* item = browser_->currentItem()) AddEntry(item->text(), false);
  });
  connect(browser_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { AddEntry(item->text(), true); });
  connect(addAll, &QPushButton::clicked, this, [this] {
    for (int row = browser_->count() - 1; row >= 0; --row)
      AddEntry(browser_->item(row)->text(), false);
  });
  connect(remove, &QPushButton::clicked, this, &ConfigureMultipleDialog::RemoveSelected);
  connect(selectedList_, &QListWidget::itemDoubleClicked, this,
          &ConfigureMultipleDialog::RemoveSelected);
  connect(removeAll, &QPushButton::clicked, this, [this] {
    selected_.clear();
    selectedList_->clear();
  });
  connect(allFiles_, &QRadioButton::toggled, this, &ConfigureMultipleDialog::FillBrowser);
  connect(configure, &QPushButton::clicked, this, &ConfigureMultipleDialog::Configure);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  FillBrowser();
  for (const QString& name : names) AddSelected(name);
}

QStringList ConfigureMultipleDialog::SelectedFiles() const {
  QStringList files;
  for (const std::string& name : selected_) files << QString::fromStdString(name);
  return files;
}

void ConfigureMultipleDialog::FillBrowser() {
  browser_->clear();
  for (const std::string& entry : BrowserEntries(folder_.toStdString(), allFiles_->isChecked()))
    browser_->addItem(QString::fromStdString(entry));
  folderText_->setText(QDir::toNativeSeparators(folder_));
}

void ConfigureMultipleDialog::AddEntry(const QString& entry, bool doubleClick) {
  const QString path = QDir(folder_).filePath(entry);
  if (QFileInfo(path).isFile()) {
    AddSelected(path);
    return;
  }
  if (!doubleClick || !entry.startsWith('[') || !entry.endsWith(']')) return;
  const QString sub = QDir(folder_).filePath(entry.mid(1, entry.size() - 2));
  // A folder that cannot be listed would leave nothing to go back with.
  const QFileInfo info(sub);
  if (!info.isDir() || !info.isReadable() || !info.isExecutable()) return;
  folder_ = QDir::cleanPath(sub);
  LastFolder() = folder_;
  FillBrowser();
}

void ConfigureMultipleDialog::AddSelected(const QString& path) {
  if (AddSelectedFile(selected_, path.toStdString())) selectedList_->addItem(path);
}

void ConfigureMultipleDialog::RemoveSelected() {
  const int row = selectedList_->currentRow();
  if (row < 0) return;
  selected_.erase(selected_.begin() + row);
  delete selectedList_->takeItem(row);
}

void ConfigureMultipleDialog::Configure() {
  if (selected_.empty()) {
    ShowMessage(this, "ERROR: No files selected!", QMessageBox::Warning);
    return;
  }
  const size_t total = selected_.size();
  if (source_.confirm && source_.file.isEmpty() &&
      ShowMessage(this,
                  QString("Write the built-in default configuration into %1 %2?")
                      .arg(total)
                      .arg(total == 1 ? "file" : "files"),
                  QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  const QList<QWidget*> controls = findChildren<QWidget*>();
  for (QWidget* control : controls) control->setEnabled(false);
  // "File n of m" with a Stop, once the pass has taken half a second.
  QProgressDialog bar(this);
  bar.setObjectName("progress");
  bar.setWindowTitle(windowTitle());
  bar.setCancelButtonText("&Stop");
  bar.setRange(0, static_cast<int>(total));
  bar.setWindowModality(Qt::WindowModal);
  bar.setMinimumDuration(500);
  bar.setAutoReset(false);
  bar.setValue(0);
  auto progress = [&](size_t done, size_t) {
    bar.setLabelText(QString("File %1 of %2").arg(std::min(done + 1, total)).arg(total));
    bar.setValue(static_cast<int>(done));
  };
  bool quiet = false;  // the user asked for no further messages
  const ConfigureOutcome outcome = ConfigureMultiple(
      chip_, selected_, preserve_->isChecked(),
      [&](const FileOutcome& file) {
        // The messages come once the files are written: the progress is over.
        bar.hide();
        if (!quiet) quiet = ShowFailuresOfPass(this, FileFailures(file));
      },
      progress, [&] { return bar.wasCanceled(); });
  bar.close();
  const PassSummary summary = SummarizePass(selected_, outcome);
  ShowLongMessage(this, summary.lead, summary.lines,
                  outcome.allOk ? QMessageBox::Information : QMessageBox::Warning);
  for (QWidget* control : controls) control->setEnabled(true);
  accept();
}

void ConfigureMultipleDialog::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void ConfigureMultipleDialog::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) AddSelected(url.toLocalFile());
  }
  event->acceptProposedAction();
}

PassSummary SummarizePass(const std::vector<std::string>& targets,
                          const ConfigureOutcome& outcome) {
  PassSummary summary;
  size_t failed = 0;
  for (size_t i = 0; i < outcome.files.size() && i < targets.size(); ++i) {
    const FileOutcome& file = outcome.files[i];
    const QString path = QString::fromStdString(targets[i]);
    if (file.ok) {
      summary.lines += "OK\t" + path + "\n";
    } else {
      ++failed;
      summary.lines += "Error\t" + path + ": " + QString::fromStdString(file.reason) + "\n";
    }
  }
  const size_t total = outcome.files.size();
  summary.lead = QString("Summary of configured files:\n\n%1 of %2 %3 configured, %4 failed.")
                     .arg(total - failed)
                     .arg(total)
                     .arg(total == 1 ? "file" : "files")
                     .arg(failed);
  return summary;
}

void RunConfigureMultipleDialog(QWidget* owner, Chip62500& chip, const QStringList& names,
                                const PassSource& source) {
  ConfigureMultipleDialog dialog(owner, chip, names, source);
  dialog.exec();
}

}  // namespace k7q
