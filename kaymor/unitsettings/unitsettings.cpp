#include "unitsettings.h"

#include <QTimeZone>
#include <algorithm>
#include <cmath>

#include <corvel/corvel_comboblock.h>
#include "unitsettingstexts.h"

namespace zam {

namespace texts = unitsettingstexts;
namespace uf = unitfields;

namespace {

const QString kConnecting = QStringLiteral("Connecting to ");

// This PC's local time as the unit holds time: a date and time, no zone.
QDateTime PcClockNow(int* offsetSeconds = nullptr) {
  const QDateTime local = QDateTime::currentDateTime();
  if (offsetSeconds) *offsetSeconds = local.offsetFromUtc();
  return QDateTime(local.date(), QTime(local.time().hour(), local.time().minute(), local.time().second()),
                   Qt::UTC);
}

QString OffsetText(int seconds) {
  const int a = std::abs(seconds);
  return QStringLiteral("UTC%1%2:%3")
      .arg(seconds < 0 ? QLatin1Char('-') : QLatin1Char('+'))
      .arg(a / 3600, 2, 10, QLatin1Char('0'))
      .arg(a / 60 % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

UnitSettings::UnitSettings(QObject* parent)
    : QObject(parent), control_(new Corvel_Project::ComboBlock(this)) {
  connect(control_, &Corvel_Project::ComboBlock::Message, this, [this](const QString& m) {
    seen_ << m;
    emit Message(m);
  });
}

UnitSettings::~UnitSettings() = default;

void UnitSettings::SetTarget(const UnitTarget& target) {
  target_ = target;
  ForgetRead();
}

void UnitSettings::ForgetRead() {
  hasRead_ = false;
  read_ = COMBO_BLOCK{};
  edited_ = COMBO_BLOCK{};
  readClock_ = QDateTime();
  readAt_ = QDateTime();
  clockMode_ = ClockMode::Running;
  emit Changed();
}

UnitResult UnitSettings::Exchange(bool write, const COMBO_BLOCK& toWrite, COMBO_BLOCK* got) {
  control_->SetHost(target_.host);
  control_->SetPort(target_.port);
  control_->SetPassword(target_.password);
  seen_.clear();
  QString msg;
  bool ok;
  if (write) {
    ok = control_->SetComboBlock(toWrite, msg);
  } else {
    ok = control_->GetComboBlock(*got, msg);
  }
  UnitResult r;
  if (ok) {
    r.outcome = UnitOutcome::Read;
    return r;
  }
  const bool pinged = std::any_of(seen_.cbegin(), seen_.cend(),
                                  [](const QString& m) { return m.startsWith(kConnecting); });
  const bool loggedIn = std::any_of(seen_.cbegin(), seen_.cend(), [](const QString& m) {
    return m.startsWith(QLatin1String("Connected to "));
  });
  if (seen_.contains(QLatin1String("Packing to the Combo Block Data failed."))) {
    r.outcome = UnitOutcome::Rejected;
    r.text = texts::NoPasswordPlace();
  } else if (!pinged) {
    r.outcome = UnitOutcome::PingFailed;
    r.text = msg;
  } else if (msg == QLatin1String("Invalid password")) {
    r.outcome = UnitOutcome::InvalidPassword;
    r.text = msg;
  } else if (msg == QLatin1String("Connection was rejected") || msg == QLatin1String("The unit is not ZAM")) {
    r.outcome = UnitOutcome::Rejected;
    r.text = msg;
  } else if (!loggedIn) {
    r.outcome = UnitOutcome::NoConnection;
    r.text = texts::NoAnswer(target_.host, target_.port);
  } else {
    r.outcome = UnitOutcome::NoReply;
    r.text = got && !got->DateTime.Value.isEmpty() ? texts::NoClock()
                                                  : QStringLiteral("The unit did not answer the request");
  }
  if (r.text.isEmpty()) r.text = texts::NoAnswer(target_.host, target_.port);
  return r;
}

UnitResult UnitSettings::Read() {
  ForgetRead();
  COMBO_BLOCK block;
  UnitResult r = Exchange(false, {}, &block);
  if (!r.ok()) return r;
  const auto clock = uf::ClockOf(block);
  if (!clock) return {UnitOutcome::NoReply, texts::NoClock(), {}, {}, {}};
  sinceRead_.start();
  readAt_ = QDateTime::currentDateTime();
  readClock_ = *clock;
  read_ = block;
  edited_ = block;
  hasRead_ = true;
  emit Changed();
  return r;
}

QString UnitSettings::EditedText(const QString& key) const {
  if (key == uf::kClock) return uf::ClockText(UnitClockNow());
  return uf::Text(edited_, key);
}

bool UnitSettings::SetField(const QString& key, const QString& text, QString* error) {
  if (!hasRead_) {
    if (error) *error = texts::NotRead();
    return false;
  }
  if (!uf::Set(edited_, key, text, error)) return false;
  if (key == uf::kClock) clockMode_ = ClockMode::Typed;
  emit Changed();
  return true;
}

void UnitSettings::RevertField(const QString& key) {
  if (key == uf::kClock) {
    clockMode_ = ClockMode::Running;
    edited_.DateTime.Value = read_.DateTime.Value;
  } else if (key == uf::kPassword) {
    edited_.Password.EthernetNew.clear();
  } else {
    uf::Set(edited_, key, uf::Text(read_, key), nullptr);
  }
  emit Changed();
}

void UnitSettings::SetClockFromPc() {
  if (!hasRead_) return;
  clockMode_ = ClockMode::FromPc;
  emit Changed();
}

QDateTime UnitSettings::UnitClockNow() const {
  switch (clockMode_) {
    case ClockMode::Typed: return uf::ClockOf(edited_).value_or(readClock_);
    case ClockMode::FromPc: return PcClockNow();
    case ClockMode::Running: break;
  }
  if (!hasRead_) return QDateTime();
  // Rounded to the nearest second: the unit shows whole seconds.
  return readClock_.addSecs((sinceRead_.elapsed() + 500) / 1000);
}

QStringList UnitSettings::ChangedFields() const {
  QStringList out;
  if (!hasRead_) return out;
  for (const UnitFieldInfo& f : Fields()) {
    if (f.kind == UnitFieldKind::Clock) {
      if (clockMode_ != ClockMode::Running) out << f.key;
    } else if (f.kind == UnitFieldKind::Password) {
      if (!edited_.Password.EthernetNew.isEmpty()) out << f.key;
    } else if (uf::Text(edited_, f.key) != uf::Text(read_, f.key)) {
      out << f.key;
    }
  }
  // A block without a password place that is to get one.
  if (!out.contains(uf::kPassword) && !edited_.Password.EthernetNew.isEmpty()) out << uf::kPassword;
  return out;
}

QStringList UnitSettings::CheckBack(const COMBO_BLOCK& written, const COMBO_BLOCK& back,
                                    qint64 secondsSinceWrite) const {
  QStringList differ;
  QList<UnitFieldInfo> fields = uf::Fields(written);
  if (!written.Password.EthernetNew.isEmpty() &&
      std::none_of(fields.cbegin(), fields.cend(), [](const UnitFieldInfo& f) { return f.key == uf::kPassword; }))
    fields << *uf::Field(uf::kPassword);
  if (back.Camera.Count != written.Camera.Count) differ << QStringLiteral("camera_count");
  for (const UnitFieldInfo& f : fields) {
    if (f.kind == UnitFieldKind::Clock) {
      const auto w = uf::ClockOf(written);
      const auto b = uf::ClockOf(back);
      // The unit's clock ran on while the block came back.
      if (!w || !b || *b < w->addSecs(-1) || *b > w->addSecs(secondsSinceWrite + 1)) differ << f.key;
    } else if (uf::Text(written, f.key) != uf::Text(back, f.key)) {
      differ << f.key;
    }
  }
  return differ;
}

UnitResult UnitSettings::Apply() {
  if (!hasRead_) return {UnitOutcome::NotRead, texts::NotRead(), {}, {}, {}};
  if (!IsChanged()) return {UnitOutcome::NothingChanged, texts::NothingChanged(), {}, {}, {}};

  COMBO_BLOCK toWrite = edited_;
  QString clockNote;
  if (clockMode_ == ClockMode::FromPc) {
    int offset = 0;
    const QDateTime pc = PcClockNow(&offset);
    const QDateTime unit = readClock_.addSecs((sinceRead_.elapsed() + 500) / 1000);
    toWrite.DateTime.Value = uf::ClockValue(pc);
    clockNote = uf::DriftText(pc.secsTo(unit));
    if (const auto zone = uf::ZoneForOffset(offset)) toWrite.DateTime.TimeZone = *zone;
    else clockNote += QStringLiteral("; ") + texts::ZoneKept(OffsetText(offset));
  } else if (clockMode_ == ClockMode::Running) {
    toWrite.DateTime.Value = uf::ClockValue(UnitClockNow());
  }

  UnitResult w = Exchange(true, toWrite, nullptr);
  if (!w.ok()) return w;
  QElapsedTimer sinceWrite;
  sinceWrite.start();

  const QString oldPassword = target_.password;
  const QString newPassword = toWrite.Password.EthernetNew;
  UnitTarget checkTarget = target_;
  if (!newPassword.isEmpty()) checkTarget.password = newPassword;

  const UnitTarget kept = target_;
  target_ = checkTarget;
  COMBO_BLOCK back;
  UnitResult r = Exchange(false, {}, &back);
  bool refused = false;
  QString refusedWhy;
  if (!r.ok() && !newPassword.isEmpty()) {
    // The unit did not take the new password: see whether the old one still works.
    refused = true;
    refusedWhy = r.text;
    target_ = kept;
    back = COMBO_BLOCK{};
    r = Exchange(false, {}, &back);
  }
  if (!r.ok()) {
    target_ = kept;
    ForgetRead();
    r.text = refused ? texts::NewPasswordRefused(refusedWhy) : texts::CheckReadFailed(r.text);
    r.outcome = refused ? UnitOutcome::PasswordRefused : UnitOutcome::CheckFailed;
    return r;
  }

  UnitResult out;
  out.clockNote = clockNote;
  COMBO_BLOCK expected = toWrite;
  if (refused) expected.Password.EthernetNew.clear();
  out.differing = CheckBack(expected, back, (sinceWrite.elapsed() + 999) / 1000);
  if (refused) {
    out.outcome = UnitOutcome::PasswordRefused;
    out.text = texts::NewPasswordRefused(refusedWhy);
  } else if (!out.differing.isEmpty()) {
    QStringList labels;
    for (const QString& key : out.differing) {
      const auto info = uf::Field(key);
      labels << (info ? info->label : key);
    }
    out.outcome = UnitOutcome::Differs;
    out.text = texts::Differ(labels);
  } else {
    out.outcome = UnitOutcome::Checked;
    out.text = texts::SavedAndChecked();
  }
  if (!newPassword.isEmpty() && !refused) {
    out.newPassword = newPassword;
    emit PasswordChanged(kept, newPassword);
  }

  // The block read back is the new starting point.
  sinceRead_.start();
  readAt_ = QDateTime::currentDateTime();
  readClock_ = *uf::ClockOf(back);
  read_ = back;
  edited_ = back;
  clockMode_ = ClockMode::Running;
  emit Changed();
  return out;
}

UnitFieldValues UnitSettings::Values(bool withPassword, bool live) const {
  UnitFieldValues v = uf::Texts(read_, withPassword);
  if (live && hasRead_) v.insert(uf::kClock, uf::ClockText(readClock_.addSecs((sinceRead_.elapsed() + 500) / 1000)));
  return v;
}

bool UnitSettings::LoadValues(const UnitFieldValues& values, bool withPassword, QString* error) {
  if (!hasRead_) {
    if (error) *error = texts::NotRead();
    return false;
  }
  COMBO_BLOCK edit = edited_;
  for (auto it = values.cbegin(); it != values.cend(); ++it) {
    if (it.key() == uf::kClock) continue;
    if (it.key() == uf::kPassword && !withPassword) continue;
    QString why;
    if (!uf::Set(edit, it.key(), it.value(), &why)) {
      if (error) *error = texts::DoesNotFit(why);
      return false;
    }
  }
  edited_ = edit;
  emit Changed();
  return true;
}

QList<CompareRow> CompareValues(const UnitFieldValues& mine, const UnitFieldValues& theirs) {
  QStringList keys;
  int cameras = 0;
  for (const UnitFieldValues* side : {&mine, &theirs})
    for (auto it = side->cbegin(); it != side->cend(); ++it)
      cameras = std::max(cameras, uf::TitleIndex(it.key()) + 1);
  for (int k = 0; k < cameras; ++k) keys << uf::TitleKey(k);
  for (const QString& key : uf::FixedKeys()) keys << key;

  QList<CompareRow> rows;
  for (const QString& key : keys) {
    if (!mine.contains(key) && !theirs.contains(key)) continue;
    CompareRow row;
    row.key = key;
    row.label = uf::Field(key)->label;
    row.mine = mine.value(key);
    row.theirs = theirs.value(key);
    if (key == uf::kClock) {
      const auto a = uf::ParseClockText(row.mine);
      const auto b = uf::ParseClockText(row.theirs);
      if (a && b) {
        const qint64 d = a->secsTo(*b);
        row.note = d == 0 ? QStringLiteral("same time")
                          : QStringLiteral("%1 %2").arg(uf::SpanText(d), d > 0 ? QStringLiteral("later")
                                                                               : QStringLiteral("earlier"));
      }
    } else {
      row.differs = mine.contains(key) != theirs.contains(key) || row.mine != row.theirs;
    }
    rows << row;
  }
  return rows;
}

UnitCopy::UnitCopy(const UnitFieldValues& values, const QSet<UnitFieldGroup>& groups, QObject* parent)
    : QObject(parent), values_(values), groups_(groups) {}

QList<UnitResult> UnitCopy::Run(const QList<UnitTarget>& targets) {
  cancelled_ = false;
  QList<UnitResult> results;
  QSet<QString> done;
  for (int i = 0; i < targets.size(); ++i) {
    const QString id = targets[i].host.trimmed().toLower() + QLatin1Char(':') + QString::number(targets[i].port);
    UnitResult r;
    if (cancelled_) {
      r = {UnitOutcome::Cancelled, texts::Cancelled(), {}, {}, {}};
    } else if (done.contains(id)) {
      r = {UnitOutcome::Duplicate, texts::Duplicate(), {}, {}, {}};
    } else {
      done.insert(id);
      emit Started(i);
      r = One(targets[i]);
    }
    results << r;
    emit Finished(i, r);
  }
  return results;
}

UnitResult UnitCopy::One(const UnitTarget& target) {
  UnitSettings unit;
  connect(&unit, &UnitSettings::Message, this, &UnitCopy::Message);
  connect(&unit, &UnitSettings::PasswordChanged, this, &UnitCopy::PasswordChanged);
  unit.SetTarget(target);
  const UnitResult read = unit.Read();
  if (!read.ok()) return read;
  for (auto it = values_.cbegin(); it != values_.cend(); ++it) {
    const auto info = uf::Field(it.key());
    if (!info || info->kind == UnitFieldKind::Clock || !groups_.contains(info->group)) continue;
    // A title of a camera this unit does not have is left out.
    if (info->kind == UnitFieldKind::Title && uf::TitleIndex(it.key()) >= unit.ReadBlock().Camera.Count) continue;
    QString why;
    if (!unit.SetField(it.key(), it.value(), &why))
      return {UnitOutcome::Differs, texts::DoesNotFit(why), {it.key()}, {}, {}};
  }
  if (groups_.contains(UnitFieldGroup::Clock)) unit.SetClockFromPc();
  UnitResult r = unit.Apply();
  if (r.outcome == UnitOutcome::NothingChanged) r = {UnitOutcome::Checked, texts::SavedAndChecked(), {}, {}, {}};
  return r;
}

}  // namespace zam
