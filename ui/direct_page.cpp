#include "ui/direct_page.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <thread>

#include "board/board_choice.h"
#include "chipmodel/product_names.h"
#include "config/chip62500.h"
#include "ui/control_name.h"
#include "ui/message_box.h"
#include "ui/page_host.h"
#include "ui/panel_view.h"
#include "ui/registers_page.h"
#include "uimodel/program_texts.h"

namespace k7q {

namespace {

// Initialization flags: registers not programmed, display memory not cleared.
constexpr uint32_t kSkipRegisters = 0x10;
constexpr uint32_t kSkipMemoryClear = 0x80;
constexpr int kTickMilliseconds = 50;

// What outlives the page: the initialization flags and the live-mode timer.
struct DirectMemory {
  uint32_t initFlags = 0;
  QTimer* timer = nullptr;
};

DirectMemory& Memory() {
  static DirectMemory memory;
  return memory;
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Runs the live-mode timer exactly while Hot to Chip is on.
void UpdateTimer(Chip62500& chip) {
  DirectMemory& memory = Memory();
  if (chip.IsLiveMode() && !memory.timer) {
    memory.timer = new QTimer(QCoreApplication::instance());
    memory.timer->setObjectName("hotToChipTimer");
    QObject::connect(memory.timer, &QTimer::timeout, [&chip] {
      // Loading a file also ends live mode.
      if (!chip.IsLiveMode()) {
        UpdateTimer(chip);
        return;
      }
      chip.RedrawTick();
      CheckRegistersPage();
    });
    memory.timer->start(kTickMilliseconds);
  } else if (!chip.IsLiveMode() && memory.timer) {
    memory.timer->stop();
    memory.timer->deleteLater();
    memory.timer = nullptr;
  }
}

class DirectPage : public QWidget {
 public:
  DirectPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(ControlName(ControlId::kDirectPage));
    Chip62500& chip = host_.Chip();
    const QString product = Q(ProductFullName(chip));

    // The controls and the panel side by side, the help and status text under both (or
    // beside the controls without a panel): the page stays whole at scale 2.
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setVerticalSpacing(4);
    auto* outer = new QGroupBox("Direct access to physical chip", this);
    layout->addWidget(outer, 0, 0);
    auto* outerLayout = new QVBoxLayout(outer);
    // SHUTDOWN goes under the panel when there is one, else under the options.
    QVBoxLayout* shutdownColumn = outerLayout;
    if (!SimulatedBoardPath().empty()) {
      panel_ = new PanelView(chip, this);
      shutdownColumn = new QVBoxLayout;
      shutdownColumn->addWidget(panel_, 1);
      layout->addLayout(shutdownColumn, 0, 1);
      layout->setColumnStretch(1, 1);
      panelTimer_ = new QTimer(this);
      connect(panelTimer_, &QTimer::timeout, panel_, &PanelView::Refresh);
    }

    auto* init = new QGroupBox("Initialization", outer);
    auto* initLayout = new QGridLayout(init);
    registers_ = CheckBox(init, ControlId::kInitializeRegisters, "Initialize re&gisters");
    memory_ = CheckBox(init, ControlId::kClearVideoMemory, "Clear &video memory");
    auto* initialize =
        Button(init, ControlId::kInitializeChip, QString("&Initialize %1").arg(product));
    initLayout->addWidget(registers_, 0, 0);
    initLayout->addWidget(memory_, 0, 1);
    initLayout->addWidget(initialize, 1, 0, 1, 2);
    outerLayout->addWidget(init);

    options_ = new QGroupBox("Additional options", outer);
    Identify(options_, ControlId::kAdditionalOptions);
    auto* optionsLayout = new QVBoxLayout(options_);
    hot_ =
        CheckBox(options_, ControlId::kHotToChip, "&Write settings to physical chip immediately");
    pattern_ = CheckBox(options_, ControlId::kPatternAfterChange,
                        "Show &test pattern after every setting change");
    drawPattern_ = Button(options_, ControlId::kDrawTestPattern, "&Display Test Pattern");
    optionsLayout->addWidget(hot_);
    optionsLayout->addWidget(pattern_);
    optionsLayout->addWidget(drawPattern_);
    outerLayout->addWidget(options_);

    outerLayout->addStretch();
    shutdown_ = Button(this, ControlId::kShutdownChip, QString("&SHUTDOWN %1").arg(product));
    shutdownColumn->addWidget(shutdown_);
    status_ = new QLabel(this);
    Identify(status_, ControlId::kDirectStatus);
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, QColor(175, 0, 0));
    status_->setPalette(palette);
    status_->setText(
        QString("The settings on this tab allow direct access to the physical chip, using the "
                "evaluation board.  All the current configuration settings are used when the "
                "chip is initialized.  To prevent possible damage to the LCD panel, press the "
                "SHUTDOWN %1 button if the panel does not appear to be functioning correctly "
                "after initialization.  If the \"Write settings to physical chip immediately\" "
                "option is selected, use EXTREME CAUTION when changing panel or clock "
                "settings!")
            .arg(product));
    // The short test pattern status takes the help text's place without moving the rest.
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // Under the controls and the panel, or beside the controls when there is no panel.
    if (panel_) {
      layout->addWidget(status_, 1, 0, 1, 2);
    } else {
      layout->addWidget(status_, 0, 1);
      layout->setColumnStretch(1, 1);
    }
    layout->setRowStretch(2, 1);

    registers_->setChecked(!(Memory().initFlags & kSkipRegisters));
    memory_->setChecked(!(Memory().initFlags & kSkipMemoryClear));
    connect(registers_, &QCheckBox::clicked, this, [](bool on) { SetFlag(kSkipRegisters, !on); });
    connect(memory_, &QCheckBox::clicked, this, [](bool on) { SetFlag(kSkipMemoryClear, !on); });
    connect(initialize, &QPushButton::clicked, this, [this] {
      std::string message = Initialize();
      const std::string note = host_.Chip().BoardNote();
      if (!note.empty()) message += note + "\n";
      Done(Q(message));
      RefreshPanel();
    });
    connect(shutdown_, &QPushButton::clicked, this, [this] {
      std::string message;
      const bool asleep = host_.Chip().ShutdownChip(&message);
      // A panel left running is a warning: the help text says it may be damaged.
      Done(Q(message), !asleep && !message.empty());
      if (!asleep && !message.empty())
        ShowMessage(host_.Window(), Q(message).trimmed(), QMessageBox::Warning);
      RefreshPanel();
    });
    connect(drawPattern_, &QPushButton::clicked, this, [this] {
      const int result = host_.Chip().DrawTestPattern();
      RefreshPanel();
      status_->setText(result == 2   ? "62500 is not initialized!  "
                       : result == 3 ? "Not enough video memeory!  "
                                     : QString(27, ' '));
    });
    connect(hot_, &QCheckBox::clicked, this, [this](bool on) {
      host_.Chip().SetLiveMode(on);
      Done(QString());
    });
    connect(pattern_, &QCheckBox::clicked, this, [this](bool on) {
      host_.Chip().SetPatternShown(on);
      Done(QString());
    });
    UpdateControls();
  }

 protected:
  // The help text keeps the height its lines need at the page's width, so that a page
  // too small for it scrolls instead of cutting it.
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    const int height = status_->heightForWidth(status_->width());
    if (height != status_->minimumHeight()) status_->setMinimumHeight(height);
  }

 private:
  // Initializes on a worker thread, with the window disabled, so that the register
  // list's delays do not freeze it.
  std::string Initialize() {
    std::string message;
    std::atomic<bool> done = false;
    QWidget* top = window();
    top->setEnabled(false);
    if (Memory().timer) Memory().timer->stop();
    std::thread worker([&] {
      host_.Chip().InitializeChip(Memory().initFlags, &message);
      done = true;
    });
    QEventLoop wait;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &wait, [&] {
      if (done) wait.quit();
    });
    poll.start(10);
    wait.exec();
    worker.join();
    top->setEnabled(true);
    if (Memory().timer) Memory().timer->start(kTickMilliseconds);
    return message;
  }

  void RefreshPanel() {
    if (panel_) panel_->Refresh();
  }

  static void SetFlag(uint32_t bit, bool set) {
    Memory().initFlags = set ? Memory().initFlags | bit : Memory().initFlags & ~bit;
  }

  // Names the control by its identifier and gives it the identifier's tooltip.
  void Identify(QWidget* control, ControlId id) {
    control->setObjectName(ControlName(id));
    control->setToolTip(Q(TooltipText(host_.Chip(), id)));
  }

  QCheckBox* CheckBox(QWidget* parent, ControlId id, const char* text) {
    auto* box = new QCheckBox(text, parent);
    Identify(box, id);
    return box;
  }

  QPushButton* Button(QWidget* parent, ControlId id, const QString& text) {
    auto* button = new QPushButton(text, parent);
    Identify(button, id);
    return button;
  }

  void Done(const QString& message, bool alert = false) {
    UpdateControls();
    host_.ShowDiagnostics(message, alert);
  }

  void UpdateControls() {
    Chip62500& chip = host_.Chip();
    hot_->setChecked(chip.IsLiveMode());
    pattern_->setChecked(chip.IsPatternShown());
    const bool initialised = chip.IsChipInitialised();
    for (QWidget* control : {static_cast<QWidget*>(options_), static_cast<QWidget*>(hot_),
                             static_cast<QWidget*>(drawPattern_), static_cast<QWidget*>(shutdown_)})
      control->setEnabled(initialised);
    pattern_->setEnabled(initialised && chip.IsLiveMode());
    UpdateTimer(chip);
    if (panelTimer_ && chip.IsLiveMode() != panelTimer_->isActive()) {
      if (chip.IsLiveMode()) {
        panelTimer_->start(kTickMilliseconds);
      } else {
        panelTimer_->stop();
      }
    }
  }

  PageHost& host_;
  QCheckBox* registers_;
  QCheckBox* memory_;
  QGroupBox* options_;
  QCheckBox* hot_;
  QCheckBox* pattern_;
  QPushButton* drawPattern_;
  QPushButton* shutdown_;
  QLabel* status_;
  PanelView* panel_ = nullptr;
  QTimer* panelTimer_ = nullptr;
};

}  // namespace

QWidget* CreateDirectPage(PageHost& host, QWidget* parent) {
  return new DirectPage(host, parent);
}

}  // namespace k7q
