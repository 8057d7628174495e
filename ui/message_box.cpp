#include "ui/message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <algorithm>
#include <utility>

#include "config/chip62500.h"
#include "uimodel/program_texts.h"

namespace k7q {

namespace {
MessageHook& Hook() {
  static MessageHook hook;
  return hook;
}
}  // namespace

void SetMessageHook(MessageHook hook) {
  Hook() = std::move(hook);
}

namespace {

// The box with the program's caption, centred over its owner; with checkText, a check
// box whose state ends in *checked.
int RunBox(QWidget* owner, const QString& text, QMessageBox::Icon icon,
           QMessageBox::StandardButtons buttons, const QString& checkText, bool* checked) {
  if (!owner) owner = QApplication::activeWindow();
  QMessageBox box(icon, QString::fromStdString(ProgramName(TheChip())), text, buttons, owner);
  // The answers of the save question have keys of their own.
  const struct {
    QMessageBox::StandardButton button;
    const char* text;
  } kMnemonics[] = {{QMessageBox::Save, "&Save"},
                    {QMessageBox::Discard, "&Discard"},
                    {QMessageBox::Cancel, "&Cancel"},
                    {QMessageBox::Yes, "&Yes"},
                    {QMessageBox::No, "&No"}};
  for (const auto& row : kMnemonics) {
    if (QAbstractButton* button = box.button(row.button)) button->setText(row.text);
  }
  if (checked) box.setCheckBox(new QCheckBox(checkText, &box));
  if (owner) {
    box.adjustSize();
    const QRect frame = owner->frameGeometry();
    box.move(frame.center() - QPoint(box.width() / 2, box.height() / 2));
  }
  const int answer = box.exec();
  if (checked) *checked = box.checkBox()->isChecked();
  return answer;
}

QMessageBox::Icon IconOf(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return QMessageBox::Critical;
    case Severity::kWarning:
      return QMessageBox::Warning;
    case Severity::kNote:
      return QMessageBox::Information;
  }
  return QMessageBox::Warning;
}

// Every failure in order; with checkText, each offers to show none of the rest, and true
// says that the user chose so.
bool ShowEach(QWidget* owner, const Failures& failures, const QString& checkText) {
  for (const Failure& failure : failures) {
    const QString message = QString::fromStdString(failure.reason);
    const QMessageBox::Icon icon = IconOf(failure.severity);
    if (Hook()) {
      Hook()(message, icon);
      continue;
    }
    bool checked = false;
    RunBox(owner, message, icon, QMessageBox::Ok, checkText,
           checkText.isEmpty() ? nullptr : &checked);
    if (checked) return true;
  }
  return false;
}

}  // namespace

int ShowMessage(QWidget* owner, const QString& text, QMessageBox::Icon icon,
                QMessageBox::StandardButtons buttons) {
  if (Hook()) return Hook()(text, icon);
  return RunBox(owner, text, icon, buttons, QString(), nullptr);
}

void ShowFailures(QWidget* owner, const Failures& failures) {
  ShowEach(owner, failures, QString());
}

bool ShowFailuresOfPass(QWidget* owner, const Failures& failures) {
  return ShowEach(owner, failures, "&Don't show further messages for this pass");
}

LongMessage::LongMessage(QWidget* owner, const QString& lead, const QString& details,
                         QMessageBox::Icon icon)
    : QDialog(owner), icon_(icon) {
  setObjectName("LongMessage");
  setWindowTitle(QString::fromStdString(ProgramName(TheChip())));
  auto* layout = new QGridLayout(this);
  auto* picture = new QLabel(this);
  const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  const QStyle::StandardPixmap pixmap = icon == QMessageBox::Warning ? QStyle::SP_MessageBoxWarning
                                        : icon == QMessageBox::Critical
                                            ? QStyle::SP_MessageBoxCritical
                                            : QStyle::SP_MessageBoxInformation;
  picture->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(side, side));
  layout->addWidget(picture, 0, 0, Qt::AlignTop);
  auto* leadText = new QLabel(lead, this);
  leadText->setObjectName("lead");
  leadText->setWordWrap(true);
  leadText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  layout->addWidget(leadText, 0, 1);
  layout->setColumnStretch(1, 1);
  auto* list = new QPlainTextEdit(details.endsWith('\n') ? details.chopped(1) : details, this);
  list->setObjectName("details");
  list->setReadOnly(true);
  list->setLineWrapMode(QPlainTextEdit::NoWrap);
  list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  layout->addWidget(list, 1, 0, 1, 2);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons, 2, 0, 1, 2);
  // As wide as the longest line and as tall as all of them where the screen has the
  // room; the list scrolls for the rest.
  const QFontMetrics metrics(list->font());
  int widest = 0;
  for (const QString& line : details.split('\n'))
    widest = std::max(widest, metrics.horizontalAdvance(line));
  const int lines = static_cast<int>(details.count('\n')) + 2;
  resize(widest + 4 * metrics.height() + side,
         lines * metrics.lineSpacing() + 6 * metrics.height() + side);
}

void ShowLongMessage(QWidget* owner, const QString& lead, const QString& details,
                     QMessageBox::Icon icon) {
  if (Hook()) {
    Hook()(lead + "\n\n" + details, icon);
    return;
  }
  LongMessage message(owner ? owner : QApplication::activeWindow(), lead, details, icon);
  message.exec();
}

}  // namespace k7q
