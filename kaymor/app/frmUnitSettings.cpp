#include "frmUnitSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "busycursor.h"
#include "settingsfile.h"
#include "unitfields.h"

namespace zam {

namespace uf = unitfields;

namespace {

const QString kStatus = QStringLiteral("Status: ");

// The window's caption of a field, with its access key.
QString Caption(const UnitFieldInfo& f) {
  if (f.kind == UnitFieldKind::Title) {
    const int n = uf::TitleIndex(f.key) + 1;
    return n <= 9 ? QStringLiteral("Camera &%1 title:").arg(n) : QStringLiteral("Camera %1 title:").arg(n);
  }
  static const QHash<QString, QString> captions{
      {"clock", "&Unit's clock:"},
      {"time_format", "Time &format:"},
      {"date_format", "&Date format:"},
      {"daylight_saving", "Daylight sa&ving:"},
      {"time_zone", "Time &zone:"},
      {"display.current_time_date", "Show the current time and dat&e"},
      {"display.playback_time_date", "Show the play&back time and date"},
      {"display.record_capacity", "Show the record capac&ity"},
      {"display.last_alarm", "Show the las&t alarm"},
      {"display.record_play_speed", "Show the recordin&g and play speed"},
      {"display.camera_title", "Show the &camera titles"},
      {"keyboard_lock", "Lock the unit's &keyboard"},
      {"alarm_latch", "Alar&m latch mode:"},
  };
  return captions.value(f.key, f.label + QLatin1Char(':'));
}

bool IsOffOn(const UnitFieldInfo& f) {
  return f.kind == UnitFieldKind::Choice && f.choices == QStringList{"off", "on"};
}

QString Dialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& name) {
  QFileDialog d(parent, mode == QFileDialog::AcceptSave ? QStringLiteral("Save the unit's settings")
                                                         : QStringLiteral("Load unit settings"));
  d.setOption(QFileDialog::DontUseNativeDialog);
  d.setAcceptMode(mode);
  d.setNameFilter(QStringLiteral("Unit settings (*.%1);;All files (*)").arg(settingsfile::kSuffix));
  d.setDefaultSuffix(settingsfile::kSuffix);
  if (mode == QFileDialog::AcceptSave) d.selectFile(name);
  else d.setFileMode(QFileDialog::ExistingFile);
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return QString();
  return d.selectedFiles().first();
}

// Stays open while its copy runs inside its wait.
class CopyDialog : public QDialog {
 public:
  CopyDialog(QWidget* parent, const int& busy) : QDialog(parent), busy_(busy) {}
  void reject() override {
    if (busy_ == 0) QDialog::reject();
  }

 private:
  const int& busy_;
};

}  // namespace

frmUnitSettings::Busy::Busy(frmUnitSettings* w) : w_(w) { ++w_->busy_; }
frmUnitSettings::Busy::~Busy() { --w_->busy_; }

frmUnitSettings::frmUnitSettings(const UnitTarget& unit, const QList<UnitTarget>& others, QWidget* parent)
    : QDialog(parent), others_(others) {
  setObjectName(QStringLiteral("frmUnitSettings"));
  setWindowTitle(QStringLiteral("Unit Settings - ") + unit.host);
  setModal(true);
  session_.SetTarget(unit);

  auto* top = new QVBoxLayout(this);
  auto* buttons = new QHBoxLayout;
  const auto button = [this, buttons](const QString& name, const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  cmdRead = button("cmdRead", tr("&Read"));
  cmdApply = button("cmdApply", tr("&Apply"));
  cmdSave = button("cmdSave", tr("&Save to file..."));
  cmdLoad = button("cmdLoad", tr("&Load from file..."));
  cmdCompare = button("cmdCompare", tr("C&ompare..."));
  cmdCopy = button("cmdCopy", tr("Cop&y to units..."));
  cmdClose = button("cmdClose", tr("Close"));
  top->addLayout(buttons);

  fieldsBox_ = new QWidget(this);
  grid_ = new QGridLayout(fieldsBox_);
  top->addWidget(fieldsBox_);

  chkIncludePassword = new QCheckBox(tr("Include t&he password in the file"), this);
  chkIncludePassword->setObjectName("chkIncludePassword");
  top->addWidget(chkIncludePassword);
  lblClockNote = new QLabel(this);
  lblClockNote->setObjectName("lblClockNote");
  top->addWidget(lblClockNote);
  lblStatus = new QLabel(kStatus, this);
  lblStatus->setObjectName("lblStatus");
  top->addWidget(lblStatus);

  connect(cmdRead, &QPushButton::clicked, this, &frmUnitSettings::cmdRead_Click);
  connect(cmdApply, &QPushButton::clicked, this, &frmUnitSettings::cmdApply_Click);
  connect(cmdSave, &QPushButton::clicked, this, &frmUnitSettings::cmdSave_Click);
  connect(cmdLoad, &QPushButton::clicked, this, &frmUnitSettings::cmdLoad_Click);
  connect(cmdCompare, &QPushButton::clicked, this, &frmUnitSettings::cmdCompare_Click);
  connect(cmdCopy, &QPushButton::clicked, this, &frmUnitSettings::cmdCopy_Click);
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(&session_, &UnitSettings::Message, this, [this](const QString& m) { SetStatus(m); });
  connect(&session_, &UnitSettings::Changed, this, &frmUnitSettings::ShowState);
  connect(&session_, &UnitSettings::PasswordChanged, this, &frmUnitSettings::PasswordChanged);

  // The unit's clock runs on screen while untouched.
  clockTimer_ = new QTimer(this);
  clockTimer_->setInterval(1000);
  connect(clockTimer_, &QTimer::timeout, this, [this] {
    if (dtClock && session_.HasRead() && session_.Clock() != UnitSettings::ClockMode::Typed && !dtClock->hasFocus()) {
      mapping_ = true;
      dtClock->setDateTime(session_.UnitClockNow());
      mapping_ = false;
    }
  });
  clockTimer_->start();
  ShowState();
}

void frmUnitSettings::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (readOnce_) return;
  readOnce_ = true;
  QTimer::singleShot(0, this, &frmUnitSettings::cmdRead_Click);
}

void frmUnitSettings::SetStatus(const QString& text) {
  lblStatus->setText(kStatus + text);
  lblStatus->repaint();
}

void frmUnitSettings::BuildFields() {
  QLayoutItem* item;
  while ((item = grid_->takeAt(0))) {
    delete item->widget();
    delete item;
  }
  editors.clear();
  dtClock = nullptr;
  txtNewPassword = txtConfirmPassword = nullptr;
  cmdPcTime = nullptr;
  if (!session_.HasRead()) return;

  int row = 0;
  for (const UnitFieldInfo& f : session_.Fields()) {
    QWidget* editor = nullptr;
    const QString key = f.key;
    if (f.kind == UnitFieldKind::Password) continue;
    if (IsOffOn(f)) {
      auto* box = new QCheckBox(Caption(f), fieldsBox_);
      connect(box, &QCheckBox::clicked, this,
              [this, key, box](bool on) { Edited(key, on ? QStringLiteral("on") : QStringLiteral("off"), box); });
      grid_->addWidget(box, row++, 1, 1, 2);
      editors.insert(key, box);
      continue;
    }
    if (f.kind == UnitFieldKind::Title) {
      auto* line = new QLineEdit(fieldsBox_);
      line->setMaxLength(uf::kTitleLength);
      connect(line, &QLineEdit::textEdited, this, [this, key, line](const QString& t) { Edited(key, t, line); });
      editor = line;
    } else if (f.kind == UnitFieldKind::Clock) {
      dtClock = new QDateTimeEdit(fieldsBox_);
      dtClock->setTimeSpec(Qt::UTC);
      dtClock->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
      dtClock->setMinimumDateTime(QDateTime(QDate(1960, 1, 1), QTime(0, 0), Qt::UTC));
      dtClock->setMaximumDateTime(QDateTime(QDate(2059, 12, 31), QTime(23, 59, 59), Qt::UTC));
      connect(dtClock, &QDateTimeEdit::dateTimeChanged, this, [this, key](const QDateTime& dt) {
        if (!mapping_) Edited(key, uf::ClockText(dt), dtClock);
      });
      editor = dtClock;
    } else {
      auto* combo = new QComboBox(fieldsBox_);
      combo->addItems(f.choices);
      connect(combo, &QComboBox::activated, this, [this, key, combo] { Edited(key, combo->currentText(), combo); });
      editor = combo;
    }
    auto* label = new QLabel(Caption(f), fieldsBox_);
    label->setBuddy(editor);
    editor->setObjectName(key);
    grid_->addWidget(label, row, 0);
    grid_->addWidget(editor, row, 1);
    editors.insert(key, editor);
    if (f.kind == UnitFieldKind::Clock) {
      cmdPcTime = new QPushButton(tr("Set to this &PC's time"), fieldsBox_);
      cmdPcTime->setObjectName("cmdPcTime");
      cmdPcTime->setAutoDefault(false);
      connect(cmdPcTime, &QPushButton::clicked, this, [this] { session_.SetClockFromPc(); });
      grid_->addWidget(cmdPcTime, row, 2);
    }
    ++row;
  }

  // A password is offered on a block that holds one, or one of 240 rows,
  // which grows to take it (the unit refuses it otherwise).
  txtNewPassword = new QLineEdit(fieldsBox_);
  txtNewPassword->setObjectName("txtNewPassword");
  txtConfirmPassword = new QLineEdit(fieldsBox_);
  txtConfirmPassword->setObjectName("txtConfirmPassword");
  for (QLineEdit* e : {txtNewPassword, txtConfirmPassword}) {
    e->setMaxLength(uf::kPasswordLength);
    e->setEchoMode(QLineEdit::Password);
    connect(e, &QLineEdit::textEdited, this, &frmUnitSettings::PasswordEdited);
  }
  auto* l1 = new QLabel(tr("&New Ethernet password:"), fieldsBox_);
  l1->setBuddy(txtNewPassword);
  auto* l2 = new QLabel(tr("Confirm the new pass&word:"), fieldsBox_);
  l2->setBuddy(txtConfirmPassword);
  grid_->addWidget(l1, row, 0);
  grid_->addWidget(txtNewPassword, row++, 1);
  grid_->addWidget(l2, row, 0);
  grid_->addWidget(txtConfirmPassword, row++, 1);
}

void frmUnitSettings::Edited(const QString& key, const QString& text, QWidget* editor) {
  QString why;
  if (!session_.SetField(key, text, &why)) {
    // Refused as typed: the field keeps what it had.
    SetStatus(why);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      const int cursor = line->cursorPosition();
      line->setText(session_.EditedText(key));
      line->setCursorPosition(qMax(0, cursor - 1));
    } else {
      ShowState();
    }
  }
}

void frmUnitSettings::PasswordEdited() {
  const QString a = txtNewPassword->text();
  const QString b = txtConfirmPassword->text();
  if (a.isEmpty() && b.isEmpty()) {
    session_.RevertField(uf::kPassword);
    return;
  }
  QString why;
  if (a != b) {
    session_.RevertField(uf::kPassword);
    SetStatus(tr("the two passwords differ"));
  } else if (!session_.SetField(uf::kPassword, a, &why)) {
    session_.RevertField(uf::kPassword);
    SetStatus(why);
  }
}

void frmUnitSettings::ShowState() {
  const bool read = session_.HasRead();
  QStringList keys;
  if (read)
    for (const UnitFieldInfo& f : session_.Fields()) keys << f.key;
  if (keys != builtKeys_) {
    builtKeys_ = keys;
    BuildFields();
  }
  const QStringList changed = session_.ChangedFields();
  mapping_ = true;
  for (auto it = editors.cbegin(); it != editors.cend(); ++it) {
    const QString text = session_.EditedText(it.key());
    QWidget* w = it.value();
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
      if (line->text() != text) line->setText(text);
    } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
      box->setChecked(text == QLatin1String("on"));
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      combo->setCurrentIndex(combo->findText(text));
    } else if (auto* dt = qobject_cast<QDateTimeEdit*>(w)) {
      dt->setDateTime(session_.UnitClockNow());
    }
    QFont f = w->font();
    f.setBold(changed.contains(it.key()));
    w->setFont(f);
  }
  if (txtNewPassword && !changed.contains(uf::kPassword) && txtNewPassword->text() == txtConfirmPassword->text() &&
      !txtNewPassword->hasFocus() && !txtConfirmPassword->hasFocus()) {
    txtNewPassword->clear();
    txtConfirmPassword->clear();
  }
  mapping_ = false;
  cmdApply->setEnabled(read && !changed.isEmpty());
  for (QWidget* w : {static_cast<QWidget*>(cmdSave), static_cast<QWidget*>(cmdLoad),
                     static_cast<QWidget*>(cmdCompare), static_cast<QWidget*>(cmdCopy)})
    w->setEnabled(read);
}

void frmUnitSettings::reject() {
  // Not while an exchange runs inside this window's wait.
  if (busy_ == 0) QDialog::reject();
}

void frmUnitSettings::cmdRead_Click() {
  lblClockNote->clear();
  const Busy busy(this);
  const UnitResult r = session_.Read();
  SetStatus(r.ok() ? tr("Read at %1").arg(session_.ReadTime().toString(QStringLiteral("HH:mm:ss"))) : r.text);
}

void frmUnitSettings::cmdApply_Click() {
  if (!session_.IsChanged()) return;
  lblClockNote->clear();
  UnitResult r;
  {
    const Busy busy(this);
    r = session_.Apply();
  }
  SetStatus(r.text);
  lblClockNote->setText(r.clockNote);
}

void frmUnitSettings::cmdSave_Click() {
  const UnitTarget& t = session_.Target();
  const QString path = Dialog(this, QFileDialog::AcceptSave,
                              settingsfile::DefaultName(t.serial, t.host, session_.ReadTime().date()));
  if (path.isEmpty()) return;
  QString why;
  if (settingsfile::Save(path, settingsfile::FromSession(session_, chkIncludePassword->isChecked()), &why))
    SetStatus(tr("Saved to %1").arg(QFileInfo(path).fileName()));
  else
    SetStatus(why);
}

void frmUnitSettings::cmdLoad_Click() {
  const QString path = Dialog(this, QFileDialog::AcceptOpen, QString());
  if (path.isEmpty()) return;
  QString why;
  const auto backup = settingsfile::Load(path, &why);
  // The password stays as it is: a file never changes it unseen.
  if (!backup || !session_.LoadValues(backup->fields, false, &why)) {
    SetStatus(why);
    return;
  }
  const int n = session_.ChangedFields().size();
  SetStatus(tr("Loaded %1: %2 field(s) differ from the unit").arg(QFileInfo(path).fileName()).arg(n));
}

void frmUnitSettings::cmdCompare_Click() {
  QStringList items{tr("A settings file...")};
  for (const UnitTarget& t : others_) items << t.host + (t.serial.isEmpty() ? QString() : ", " + t.serial);
  bool ok = false;
  const QString choice =
      QInputDialog::getItem(this, tr("Compare"), tr("Compare this unit with:"), items, 0, false, &ok);
  if (!ok) return;
  const int k = items.indexOf(choice);
  if (k == 0) {
    const QString path = Dialog(this, QFileDialog::AcceptOpen, QString());
    if (path.isEmpty()) return;
    QString why;
    const auto backup = settingsfile::Load(path, &why);
    if (!backup) {
      SetStatus(why);
      return;
    }
    ShowCompare(QFileInfo(path).fileName(), backup->fields);
    return;
  }
  UnitSettings other;
  connect(&other, &UnitSettings::Message, this, [this](const QString& m) { SetStatus(m); });
  other.SetTarget(others_[k - 1]);
  UnitResult r;
  {
    const Busy busy(this);
    r = other.Read();
  }
  if (!r.ok()) {
    SetStatus(others_[k - 1].host + QStringLiteral(": ") + r.text);
    return;
  }
  ShowCompare(others_[k - 1].host, other.Values(false, true));
}

void frmUnitSettings::ShowCompare(const QString& otherName, const UnitFieldValues& other) {
  const QList<CompareRow> rows = CompareValues(session_.Values(false, true), other);
  QDialog d(this);
  d.setWindowTitle(tr("Compare %1 with %2").arg(session_.Target().host, otherName));
  auto* layout = new QVBoxLayout(&d);
  auto* table = new QTableWidget(int(rows.size()), 4, &d);
  table->setObjectName("tblCompare");
  table->setHorizontalHeaderLabels({tr("Field"), session_.Target().host, otherName, tr("Difference")});
  int differ = 0;
  for (int i = 0; i < rows.size(); ++i) {
    const CompareRow& r = rows[i];
    const QStringList cells{r.label, r.mine, r.theirs, r.differs ? tr("differs") : r.note};
    for (int c = 0; c < 4; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      QFont f = item->font();
      f.setBold(r.differs);
      item->setFont(f);
      table->setItem(i, c, item);
    }
    differ += r.differs;
  }
  table->resizeColumnsToContents();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layout->addWidget(table);
  layout->addWidget(new QLabel(differ == 0 ? tr("No field differs") : tr("%1 field(s) differ").arg(differ), &d));
  auto* box = new QDialogButtonBox(QDialogButtonBox::Close, &d);
  connect(box, &QDialogButtonBox::rejected, &d, &QDialog::reject);
  layout->addWidget(box);
  d.resize(640, 480);
  d.exec();
}

void frmUnitSettings::cmdCopy_Click() {
  CopyDialog d(this, busy_);
  d.setWindowTitle(tr("Copy settings of %1 to units").arg(session_.Target().host));
  auto* layout = new QVBoxLayout(&d);
  const QList<std::pair<UnitFieldGroup, QString>> groupCaptions{
      {UnitFieldGroup::Clock, tr("&Clock from this PC")},
      {UnitFieldGroup::ZoneAndDaylight, tr("Time &zone and daylight saving")},
      {UnitFieldGroup::Formats, tr("Time and date &formats")},
      {UnitFieldGroup::Display, tr("&Display options")},
      {UnitFieldGroup::KeyboardLock, tr("&Keyboard lock")},
      {UnitFieldGroup::AlarmLatch, tr("&Alarm latch mode")},
      {UnitFieldGroup::Titles, tr("Camera &titles")}};
  QList<QCheckBox*> groupBoxes;
  for (const auto& [group, caption] : groupCaptions) {
    auto* c = new QCheckBox(caption, &d);
    c->setChecked(group == UnitFieldGroup::Clock);
    layout->addWidget(c);
    groupBoxes << c;
  }
  auto* units = new QTableWidget(int(others_.size()), 2, &d);
  units->setObjectName("tblCopyUnits");
  units->setHorizontalHeaderLabels({tr("Unit"), tr("Result")});
  for (int i = 0; i < others_.size(); ++i) {
    auto* item = new QTableWidgetItem(others_[i].host + (others_[i].serial.isEmpty() ? QString() : ", " + others_[i].serial));
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    item->setCheckState(others_[i].host == session_.Target().host && others_[i].port == session_.Target().port
                            ? Qt::Unchecked
                            : Qt::Checked);
    units->setItem(i, 0, item);
    units->setItem(i, 1, new QTableWidgetItem);
  }
  units->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(units);
  auto* buttons = new QHBoxLayout;
  auto* start = new QPushButton(tr("&Start"), &d);
  auto* cancel = new QPushButton(tr("Ca&ncel"), &d);
  auto* close = new QPushButton(tr("Close"), &d);
  cancel->setEnabled(false);
  for (QPushButton* b : {start, cancel, close}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  layout->addLayout(buttons);
  UnitCopy* running = nullptr;
  connect(close, &QPushButton::clicked, &d, &QDialog::reject);
  connect(cancel, &QPushButton::clicked, &d, [&running] {
    if (running) running->Cancel();
  });
  connect(start, &QPushButton::clicked, &d, [&, this] {
    QSet<UnitFieldGroup> groups;
    for (int i = 0; i < groupCaptions.size(); ++i)
      if (groupBoxes[i]->isChecked()) groups.insert(groupCaptions[i].first);
    QList<UnitTarget> targets;
    QList<int> rowsOf;
    for (int i = 0; i < others_.size(); ++i)
      if (units->item(i, 0)->checkState() == Qt::Checked) {
        targets << others_[i];
        rowsOf << i;
        units->item(i, 1)->setText(tr("waiting"));
      }
    if (targets.isEmpty() || groups.isEmpty()) return;
    UnitCopy copy(session_.Values(false), groups);
    connect(&copy, &UnitCopy::PasswordChanged, this, &frmUnitSettings::PasswordChanged);
    connect(&copy, &UnitCopy::Started, &d, [&](int i) { units->item(rowsOf[i], 1)->setText(tr("writing...")); });
    connect(&copy, &UnitCopy::Finished, &d, [&](int i, const UnitResult& r) {
      units->item(rowsOf[i], 1)->setText(r.outcome == UnitOutcome::Checked ? tr("checked") : r.text);
    });
    running = &copy;
    start->setEnabled(false);
    cancel->setEnabled(true);
    {
      const Busy busy(this);
      copy.Run(targets);
    }
    running = nullptr;
    start->setEnabled(true);
    cancel->setEnabled(false);
  });
  d.resize(560, 480);
  d.exec();
}

}  // namespace zam
