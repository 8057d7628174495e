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
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QTabBar>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "config/program_texts.h"
#include "config/storage_limits.h"
#include "ui/about_dialog.h"
#include "ui/configure_multiple_dialog.h"
#include "ui/direct_page.h"
#include "ui/export_dialog.h"
#include "ui/features_page.h"
#include "ui/message_box.h"
#include "ui/registers_page.h"
#include "ui/tool_tips.h"
#include "ui/version_check.h"

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
  int tooltip;
} kTabs[] = {{"Features", 202}, {"Registers", 207}, {"Direct", 208}};

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
    tabs_->setTabToolTip(index, Q(TooltipText(chip_, tab.tooltip)));
  }
  tabLayout->addWidget(tabs_);
  auto* frame = new QFrame(tabArea);
  frame->setFrameShape(QFrame::StyledPanel);
  pageLayout_ = new QVBoxLayout(frame);
  pageLayout_->setContentsMargins(4, 4, 4, 4);
  tabLayout->addWidget(frame, 1);
  layout->addWidget(tabArea, 300);

  auto* group = new QGroupBox("Diagnostics", central);
  group->setObjectName("1102");
  auto* groupLayout = new QVBoxLayout(group);
  diagnostics_ = new QPlainTextEdit(group);
  diagnostics_->setObjectName("1103");
  diagnostics_->setReadOnly(true);
  diagnostics_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette palette = diagnostics_->palette();
  palette.setColor(QPalette::Text, QColor(0, 0, 175));
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  diagnostics_->setPalette(palette);
  groupLayout->addWidget(diagnostics_);
  layout->addWidget(group, 81);
  setCentralWidget(central);

  // 450 x 400 dialog units; the window is not resizable.
  const QFontMetrics metrics(font());
  setFixedSize(450 * metrics.averageCharWidth() / 4, 400 * metrics.height() / 8);
  QFont tipFont("Courier New");
  tipFont.setStyleHint(QFont::TypeWriter);
  tipFont.setPixelSize(12);
  QToolTip::setFont(tipFont);

  BuildMenu();
  setAcceptDrops(true);
  qApp->installEventFilter(this);
  SetTooltipDelay(250);
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
  connect(AddAction(file, 40004, "Configure &Multiple..."), &QAction::triggered, this,
          [this] { RunConfigureMultipleDialog(this, chip_, {}); });
  connect(AddAction(file, 40005, "&Export..."), &QAction::triggered, this,
          [this] { RunExportDialog(this, chip_); });
  file->addSeparator();
  connect(AddAction(file, 40006, "E&xit"), &QAction::triggered, this, &QWidget::close);

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

  for (QMenu* menu : {file, help})
    connect(menu, &QMenu::aboutToShow, this, &MainWindow::PrepareMenu);
  PrepareMenu();
}

void MainWindow::PrepareMenu() {
  save_->setEnabled(!currentFile_.isEmpty());
  saveAs_->setEnabled(!currentFile_.isEmpty());
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

void MainWindow::UpdateTitle() {
  setWindowTitle(Q(WindowTitle(chip_, currentFile_.toStdString())));
}

void MainWindow::ShowPage(int index) {
  if (page_) {
    pageLayout_->removeWidget(page_);
    delete page_;
    page_ = nullptr;
  }
  if (index == 0) {
    page_ = CreateFeaturesPage(*this, nullptr);
  } else if (index == 1) {
    page_ = CreateRegistersPage(*this, nullptr);
  } else {
    page_ = CreateDirectPage(*this, nullptr);
  }
  pageLayout_->addWidget(page_);
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
  ShowFileMessages(this, outcome);
  if (!outcome.ok) return false;
  currentFile_ = path;
  UpdateTitle();
  ShowPage(tabs_->currentIndex());
  ShowDiagnostics(QString(), false);
  return true;
}

void MainWindow::Open() {
  const QString name = ChooseFile(this, true, "Open", FilterText(OpenFilters()), QString(), "exe");
  if (!name.isEmpty()) OpenFile(name);
}

void MainWindow::Save() {
  if (currentFile_.isEmpty()) return;
  const FileOutcome outcome =
      SaveStorableFile(chip_, currentFile_.toStdString(), std::string(), false);
  ShowFileMessages(this, outcome);
  if (outcome.ok) {
    ShowMessage(this, QString("Configuration data saved in file \"%1\".").arg(currentFile_),
                QMessageBox::Information);
  }
}

void MainWindow::SaveAs() {
  if (currentFile_.isEmpty()) return;
  std::string extension;
  const auto filters = SaveAsFilters(currentFile_.toStdString(), &extension);
  const QString name =
      ChooseFile(this, false, "Save As", FilterText(filters), currentFile_, Q(extension));
  if (name.isEmpty()) return;
  const FileOutcome outcome =
      SaveStorableFile(chip_, currentFile_.toStdString(), name.toStdString(), false);
  ShowFileMessages(this, outcome);
  if (!outcome.ok) return;
  currentFile_ = name;
  UpdateTitle();
  ShowMessage(this, QString("Configuration data saved in file \"%1\".").arg(currentFile_),
              QMessageBox::Information);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  closing_ = true;
  delete page_;
  page_ = nullptr;
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
  RunConfigureMultipleDialog(this, chip_, names);
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
