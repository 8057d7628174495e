#include "ui/main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QToolTip>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "config/storage_limits.h"
#include "ui/about_dialog.h"
#include "ui/block_change.h"
#include "ui/configure_multiple_dialog.h"
#include "ui/control_name.h"
#include "ui/dialog_fit.h"
#include "ui/direct_page.h"
#include "ui/export_dialog.h"
#include "ui/features_page.h"
#include "ui/message_box.h"
#include "ui/registers_page.h"
#include "ui/settings_file_actions.h"
#include "ui/tool_tips.h"
#include "ui/version_check.h"
#include "uimodel/program_texts.h"

namespace k7q {

namespace {

FileChooser& Chooser() {
  static FileChooser chooser;
  return chooser;
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QString FilterText(const std::vector<FileFilter>& filters) {
  QStringList parts;
  for (const FileFilter& f : filters) {
    parts << Q(f.name) + " (" + Q(f.patterns).replace(';', ' ') + ")";
  }
  return parts.join(";;");
}

// Tooltip delays come from the style.
class DelayStyle : public QProxyStyle {
 public:
  int delay = 250;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return delay;
    if (hint == SH_ToolTip_FallAsleepDelay) return delay / 5;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

DelayStyle* TheDelayStyle() {
  static DelayStyle* style = [] {
    auto* s = new DelayStyle;
    QApplication::setStyle(s);
    return s;
  }();
  return style;
}

const struct {
  const char* label;
  ControlId page;
} kTabs[] = {{"Features", ControlId::kFeaturesPage},
             {"Registers", ControlId::kRegistersPage},
             {"Direct", ControlId::kDirectPage}};

const struct {
  int id;
  const char* text;
  int delay;
} kDelays[] = {{40021, "100 ms", 100},    {40022, "250 ms", 250},     {40023, "500 ms", 500},
               {40024, "1 second", 1000}, {40025, "2 seconds", 2000}, {40026, "5 seconds", 5000}};

QAction* AddAction(QMenu* menu, int id, const QString& text) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::number(id));
  action->setData(id);
  return action;
}

}  // namespace

void SetFileChooser(FileChooser chooser) {
  Chooser() = std::move(chooser);
}

static QString ChooseFile(QWidget* owner, bool open, const QString& title, const QString& filters,
                          const QString& initial, const QString& defaultSuffix) {
  if (Chooser()) return Chooser()(owner, open, title, filters, initial, defaultSuffix);
  QFileDialog dialog(owner, title, initial, filters);
  dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

MainWindow::MainWindow(Chip62500& chip, UiFeatures& features) : chip_(chip), features_(features) {
  setObjectName("101");
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(6, 4, 6, 6);
  layout->setSpacing(2);

  auto* tabArea = new QWidget(central);
  auto* tabLayout = new QVBoxLayout(tabArea);
  tabLayout->setContentsMargins(0, 0, 0, 0);
  tabLayout->setSpacing(0);
  tabs_ = new QTabBar(tabArea);
  tabs_->setObjectName("1101");
  for (const auto& tab : kTabs) {
    const int index = tabs_->addTab(tab.label);
    tabs_->setTabToolTip(index, Q(TooltipText(chip_, tab.page)));
  }
  tabLayout->addWidget(tabs_);
  pageFrame_ = new QFrame(tabArea);
  pageFrame_->setFrameShape(QFrame::StyledPanel);
  new QVBoxLayout(pageFrame_);
  pageFrame_->layout()->setContentsMargins(1, 1, 1, 1);
  tabLayout->addWidget(pageFrame_, 1);
  // The page and the Diagnostics box share the height as the tab strip's 300 and the
  // box's 81 dialog units do, at any window size.
  layout->addWidget(tabArea, 300);

  auto* group = new QGroupBox("Diagnostics", central);
  group->setObjectName("1102");
  auto* groupLayout = new QVBoxLayout(group);
  diagnostics_ = new QPlainTextEdit(group);
  diagnostics_->setObjectName(ControlName(ControlId::kDiagnosticsBox));
  diagnostics_->setReadOnly(true);
  diagnostics_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette palette = diagnostics_->palette();
  palette.setColor(QPalette::Text, QColor(0, 0, 175));
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  diagnostics_->setPalette(palette);
  groupLayout->addWidget(diagnostics_);
  diagnostics_->setMinimumHeight(2 * QFontMetrics(diagnostics_->font()).lineSpacing());
  diagnostics_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
  layout->addWidget(group, 81);
  setCentralWidget(central);
  statusBar()->setObjectName("statusBar");

  // 450 x 400 dialog units where the screen has the room; the layouts set the minimum.
  const QFontMetrics metrics(font());
  QSize size(450 * metrics.averageCharWidth() / 4, 400 * metrics.height() / 8);
  // Within the screen's free area, less the title bar and frame.
  if (const QScreen* screen = QApplication::primaryScreen())
    size =
        size.boundedTo(screen->availableSize() - QSize(metrics.height(), 5 * metrics.height() / 2));
  resize(size);

  // The style first: setting it resets the tooltip font.
  SetTooltipDelay(250);
  QToolTip::setFont(FixedPitchFont("Courier New", 12));
  FitDialogsToCaptions();

  undo_ = new QUndoStack(this);
  MarkSaved();
  BuildMenu();
  AddShortcuts();
  setAcceptDrops(true);
  qApp->installEventFilter(this);
  UpdateTitle();
  connect(tabs_, &QTabBar::currentChanged, this, &MainWindow::ShowPage);
  ShowPage(0);
  ShowDiagnostics(QString(), false);
}

void MainWindow::BuildMenu() {
  QMenu* file = menuBar()->addMenu("&File");
  connect(AddAction(file, 40001, "&Open..."), &QAction::triggered, this, &MainWindow::Open);
  save_ = AddAction(file, 40002, "&Save");
  connect(save_, &QAction::triggered, this, &MainWindow::Save);
  saveAs_ = AddAction(file, 40003, "Save &As...");
  connect(saveAs_, &QAction::triggered, this, &MainWindow::SaveAs);
  file->addSeparator();
  connect(AddAction(file, 40041, "&Import Settings..."), &QAction::triggered, this,
          &MainWindow::ImportSettings);
  connect(AddAction(file, 40042, "Export Se&ttings..."), &QAction::triggered, this,
          &MainWindow::ExportSettings);
  connect(AddAction(file, 40043, "Compare &With..."), &QAction::triggered, this,
          &MainWindow::CompareWith);
  file->addSeparator();
  connect(AddAction(file, 40004, "Configure &Multiple..."), &QAction::triggered, this,
          [this] { ConfigureMultipleFiles({}); });
  connect(AddAction(file, 40005, "&Export..."), &QAction::triggered, this, [this] {
    const QString written = RunExportDialog(this, chip_);
    if (!written.isEmpty()) ReportWritten(QString("Exported to \"%1\".").arg(written));
  });
  file->addSeparator();
  connect(AddAction(file, 40006, "E&xit"), &QAction::triggered, this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu("&Edit");
  QAction* undo = undo_->createUndoAction(this, "&Undo");
  undo->setObjectName("undo");
  undo->setShortcut(QKeySequence::Undo);
  QAction* redo = undo_->createRedoAction(this, "&Redo");
  redo->setObjectName("redo");
  // Ctrl+Y beside the platform's keys; a key listed twice would be ambiguous and do nothing.
  QList<QKeySequence> redoKeys{QKeySequence(Qt::CTRL | Qt::Key_Y)};
  for (const QKeySequence& keys : QKeySequence::keyBindings(QKeySequence::Redo))
    if (!redoKeys.contains(keys)) redoKeys << keys;
  redo->setShortcuts(redoKeys);
  edit->addAction(undo);
  edit->addAction(redo);
  edit->addSeparator();
  QAction* find = edit->addAction("&Find Feature...");
  find->setObjectName("find");
  find->setShortcut(QKeySequence::Find);
  connect(find, &QAction::triggered, this, &MainWindow::Find);

  QMenu* help = menuBar()->addMenu("&Help");
  tooltips_ = AddAction(help, 40012, "Enable &ToolTips");
  tooltips_->setCheckable(true);
  connect(tooltips_, &QAction::triggered, this, [this](bool on) { tooltipsEnabled_ = on; });
  QMenu* delay = help->addMenu("ToolTip &Delay");
  delays_ = new QActionGroup(this);
  for (const auto& row : kDelays) {
    QAction* action = AddAction(delay, row.id, row.text);
    action->setCheckable(true);
    delays_->addAction(action);
    const int ms = row.delay;
    connect(action, &QAction::triggered, this, [this, ms] { SetTooltipDelay(ms); });
  }
  help->addSeparator();
  connect(AddAction(help, 40031, "ZEB on the &Web"), &QAction::triggered, this,
          [] { QDesktopServices::openUrl(QUrl("https://www.orvix.example/")); });
  connect(AddAction(help, 40013, "&Update Common Controls..."), &QAction::triggered, this,
          [this] { ShowVersionDialog(this); });
  help->addSeparator();
  about_ = AddAction(help, 40014, "&About...");
  connect(about_, &QAction::triggered, this, [this] { ShowAboutBox(this, chip_); });

  for (QMenu* menu : {file, edit, help})
    connect(menu, &QMenu::aboutToShow, this, &MainWindow::PrepareMenu);
  UpdateActions();
  PrepareMenu();
}

// The standard keys of the menu commands, and Ctrl+Tab between the tabs.
void MainWindow::AddShortcuts() {
  const struct {
    const char* id;
    QKeySequence keys;
  } kKeys[] = {{"40001", QKeySequence::Open},
               {"40002", QKeySequence::Save},
               {"40003", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
               {"40005", QKeySequence(Qt::CTRL | Qt::Key_E)},
               {"40006", QKeySequence(Qt::CTRL | Qt::Key_Q)},
               {"40014", QKeySequence(Qt::Key_F1)}};
  for (const auto& row : kKeys) {
    if (auto* action = menuBar()->findChild<QAction*>(row.id)) action->setShortcut(row.keys);
  }
  for (const int step : {1, -1}) {
    auto* shortcut = new QShortcut(step > 0 ? QKeySequence(Qt::CTRL | Qt::Key_Tab)
                                            : QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                                   this);
    connect(shortcut, &QShortcut::activated, this, [this, step] {
      tabs_->setCurrentIndex((tabs_->currentIndex() + step + tabs_->count()) % tabs_->count());
    });
  }
}

// Save and Save As need an open file; kept up to date so that their keys always work.
void MainWindow::UpdateActions() {
  save_->setEnabled(!currentFile_.isEmpty());
  saveAs_->setEnabled(!currentFile_.isEmpty());
}

void MainWindow::PrepareMenu() {
  tooltips_->setChecked(tooltipsEnabled_);
  about_->setText(QString("&About %1...").arg(Q(ProgramName(chip_))));
  for (QAction* action : delays_->actions()) {
    for (const auto& row : kDelays) {
      if (action->data().toInt() == row.id) action->setChecked(row.delay == tooltipDelay_);
    }
  }
}

void MainWindow::SetTooltipDelay(int milliseconds) {
  tooltipDelay_ = milliseconds;
  TheDelayStyle()->delay = milliseconds;
}

// The title marks unsaved changes of the open file after its name.
void MainWindow::UpdateTitle() {
  QString title = Q(WindowTitle(chip_, currentFile_.toStdString()));
  if (!currentFile_.isEmpty()) {
    // The title is the file's name, " - " and the title without a file.
    const qsizetype length = title.size() - Q(WindowTitle(chip_, "")).size() - 3;
    title.replace(0, length, title.left(length).replace("[*]", "[*][*]") + "[*]");
  }
  setWindowTitle(title);
  UpdateModified();
}

void MainWindow::UpdateModified() {
  setWindowModified(!currentFile_.isEmpty() && HasUnsavedChanges());
}

void MainWindow::ReportWritten(const QString& text) {
  statusBar()->showMessage(text);
}

void MainWindow::ShowPage(int index) {
  delete pageContainer_;
  page_ = nullptr;
  if (index == 0) {
    page_ = CreateFeaturesPage(*this, nullptr);
  } else if (index == 1) {
    page_ = CreateRegistersPage(*this, nullptr);
  } else {
    page_ = CreateDirectPage(*this, nullptr);
  }
  // The Direct page scrolls when the room is too small; the other pages scroll their
  // own tree or list.
  pageContainer_ = page_;
  if (index == 2) {
    auto* area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(page_);
    pageContainer_ = area;
  }
  pageFrame_->layout()->addWidget(pageContainer_);
  // The page's tree or list takes the keyboard.
  page_->setFocus();
}

void MainWindow::SettingsChanged() {
  RecordBlockChange(tabs_->currentIndex() == 1 ? "Register Change" : "Feature Change");
}

BlockState MainWindow::CurrentState() const {
  return {chip_.Block(), RegisterHandChanges()};
}

void MainWindow::RecordBlockChange(const QString& text) {
  const BlockState now = CurrentState();
  if (SameBlock(now.block, recorded_.block)) return;
  undo_->push(
      new BlockChange(recorded_, now, text, [this](const BlockState& state) { LoadState(state); }));
  recorded_ = now;
  UpdateModified();
}

void MainWindow::LoadState(const BlockState& state) {
  chip_.LoadBlock(state.block);
  RegisterHandChanges() = state.marks;
  recorded_ = state;
  UpdateModified();
  ShowPage(tabs_->currentIndex());
  ShowDiagnostics(QString(), false);
}

bool MainWindow::HasUnsavedChanges() const {
  return !SameBlock(chip_.Block(), savedBlock_);
}

void MainWindow::MarkSaved() {
  savedBlock_ = chip_.Block();
  recorded_ = CurrentState();
  if (save_) UpdateModified();
}

bool MainWindow::MaybeSave(bool revertOnDiscard) {
  if (currentFile_.isEmpty() || !HasUnsavedChanges()) return true;
  const int answer =
      ShowMessage(this, QString("Save changes to \"%1\"?").arg(currentFile_), QMessageBox::Warning,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
  if (answer == QMessageBox::Save) return SaveFile(QString());
  if (answer != QMessageBox::Discard) return false;
  if (revertOnDiscard) {
    chip_.LoadBlock(savedBlock_);
    RecordBlockChange("Discard Changes");
    ShowPage(tabs_->currentIndex());
    ShowDiagnostics(QString(), false);
  }
  return true;
}

void MainWindow::Find() {
  if (tabs_->currentIndex() != 0) tabs_->setCurrentIndex(0);
  if (auto* field = page_ ? page_->findChild<QLineEdit*>("find") : nullptr) {
    field->setFocus();
    field->selectAll();
  }
}

void MainWindow::ShowDiagnostics(const QString& text, bool alert) {
  // A page being torn down while the window closes reports nothing.
  if (closing_) return;
  const Diagnostics d = ComposeDiagnostics(chip_, text.toStdString(), alert);
  const QString shown = Q(d.text);
  QPalette palette = diagnostics_->palette();
  palette.setColor(QPalette::Base,
                   d.alert ? QColor(255, 255, 0) : QApplication::palette().color(QPalette::Button));
  diagnostics_->setPalette(palette);
  diagnostics_->setProperty("alert", d.alert);
  if (d.alert && alert) QApplication::beep();
  if (shown == lastDiagnostics_) return;
  lastDiagnostics_ = shown;
  diagnostics_->setPlainText(shown);
  diagnostics_->setToolTip(shown);
}

bool MainWindow::OpenFile(const QString& path) {
  const FileOutcome outcome = OpenConfigurableFile(chip_, path.toStdString());
  ShowFailures(this, FileFailures(outcome));
  if (!outcome.ok) return false;
  currentFile_ = path;
  undo_->clear();
  MarkSaved();
  UpdateTitle();
  UpdateActions();
  ShowPage(tabs_->currentIndex());
  ShowDiagnostics(QString(), false);
  return true;
}

void MainWindow::Open() {
  if (!MaybeSave()) return;
  const QString name = ChooseFile(this, true, "Open", FilterText(OpenFilters()), QString(), "exe");
  if (!name.isEmpty()) OpenFile(name);
}

void MainWindow::Save() {
  SaveFile(QString());
}

void MainWindow::SaveAs() {
  if (currentFile_.isEmpty()) return;
  std::string extension;
  const auto filters = SaveAsFilters(currentFile_.toStdString(), &extension);
  const QString name =
      ChooseFile(this, false, "Save As", FilterText(filters), currentFile_, Q(extension));
  if (!name.isEmpty()) SaveFile(name);
}

// Saves into the current file, or from it into newName, which then becomes current.
bool MainWindow::SaveFile(const QString& newName) {
  if (currentFile_.isEmpty()) return false;
  const FileOutcome outcome =
      SaveStorableFile(chip_, currentFile_.toStdString(), newName.toStdString(), false);
  if (!outcome.ok) {
    ShowFailures(this, FileFailures(outcome));
    return false;
  }
  // A saved file's notices (saved without a journal, an earlier save undone) stay in view.
  FileOutcome messages = outcome;
  messages.notices.clear();
  ShowFailures(this, FileFailures(messages));
  QString notices;
  for (const std::string& notice : outcome.notices) notices += Q(notice) + "\n";
  if (!notices.isEmpty()) ShowDiagnostics(notices, false);
  if (!newName.isEmpty()) currentFile_ = newName;
  savedBlock_ = chip_.Block();
  UpdateTitle();
  ReportWritten(QString("Configuration saved in \"%1\".").arg(currentFile_));
  ShowMessage(this, QString("Configuration data saved in file \"%1\".").arg(currentFile_),
              QMessageBox::Information);
  return true;
}

void MainWindow::ImportSettings() {
  const QString name =
      ChooseFile(this, true, "Import Settings", SettingsFileFilters(), QString(), "settings");
  if (name.isEmpty() || !ImportSettingsFile(this, chip_, name)) return;
  RecordBlockChange("Import Settings");
  ShowPage(tabs_->currentIndex());
  ShowDiagnostics(QString("Settings imported from \"%1\".\n").arg(name), false);
}

void MainWindow::ExportSettings() {
  const QString name =
      ChooseFile(this, false, "Export Settings", SettingsFileFilters(), QString(), "settings");
  if (!name.isEmpty() && ExportSettingsFile(this, chip_, name)) {
    ShowDiagnostics(QString("Settings saved in file \"%1\".\n").arg(name), false);
    ReportWritten(QString("Settings saved in \"%1\".").arg(name));
  }
}

void MainWindow::CompareWith() {
  const QString name =
      ChooseFile(this, true, "Compare With",
                 SettingsFileFilters() + ";;" + FilterText(OpenFilters()), QString(), "settings");
  if (!name.isEmpty()) CompareWithFile(this, chip_, name);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!MaybeSave()) {
    event->ignore();
    return;
  }
  closing_ = true;
  delete pageContainer_;
  pageContainer_ = page_ = nullptr;
  event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList names;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) names << url.toLocalFile();
  }
  event->acceptProposedAction();
  ConfigureMultipleFiles(names);
}

// The pass writes what the window shows; an answer of Discard first goes back to the
// file's saved block (undoable), so that the pass writes that.
void MainWindow::ConfigureMultipleFiles(const QStringList& names) {
  if (!MaybeSave(true)) return;
  RunConfigureMultipleDialog(this, chip_, names, {currentFile_, HasUnsavedChanges(), false});
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QMainWindow::eventFilter(watched, event);
  if (!tooltipsEnabled_) return true;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget && widget->window() == this &&
      ShowWindowToolTip(widget, *static_cast<QHelpEvent*>(event))) {
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace k7q
