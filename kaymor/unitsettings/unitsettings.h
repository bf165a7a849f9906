#pragma once
// A session over one unit's settings block: read it, edit it field by field,
// write it back and check it by reading it again. The clock keeps running
// between the read and the write; the window and the command line are views
// over this class.
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <corvel/records.h>
#include "unitfields.h"

namespace Corvel_Project {
class ComboBlock;
}

namespace zam {

// A unit as the address book knows it.
struct UnitTarget {
  QString host;
  QString password;
  qint32 port = 1024;
  QString model, serial, mac;  // for the backup file; may be empty
};

enum class UnitOutcome {
  Read,             // Read() succeeded
  Checked,          // written and read back equal
  NothingChanged,   // Apply() with no change: nothing sent
  PingFailed,
  NoConnection,     // no TCP connection or no login reply
  InvalidPassword,
  Rejected,         // "Connection was rejected" or "The unit is not ZAM"
  NoReply,          // logged in, but the block did not come
  NotRead,          // Apply() before a successful Read()
  Differs,          // written, but read back with other values
  CheckFailed,      // written, but it could not be read back
  PasswordRefused,  // the new password was written but does not log in
  Cancelled,        // a copy stopped before this unit
  Duplicate,        // a copy met this unit a second time
};

struct UnitResult {
  UnitOutcome outcome = UnitOutcome::NotRead;
  QString text;            // for a status line: the reason, or "Saved and checked"
  QStringList differing;   // keys of the fields the unit holds otherwise
  QString clockNote;       // after a clock from this PC: the drift and the zone
  QString newPassword;     // a new password that logs in (the host stores it)
  bool ok() const { return outcome == UnitOutcome::Read || outcome == UnitOutcome::Checked; }
};

class UnitSettings : public QObject {
  Q_OBJECT
 public:
  enum class ClockMode { Running, Typed, FromPc };

  explicit UnitSettings(QObject* parent = nullptr);
  ~UnitSettings() override;

  void SetTarget(const UnitTarget& target);
  const UnitTarget& Target() const { return target_; }

  // Reads the block. On failure nothing stays read (HasRead() false).
  UnitResult Read();
  bool HasRead() const { return hasRead_; }
  const COMBO_BLOCK& ReadBlock() const { return read_; }
  const COMBO_BLOCK& EditedBlock() const { return edited_; }
  // This PC's time of the last read.
  QDateTime ReadTime() const { return readAt_; }

  // The fields of the block read, in order.
  QList<UnitFieldInfo> Fields() const { return unitfields::Fields(read_); }
  QString ReadText(const QString& key) const { return unitfields::Text(read_, key); }
  QString EditedText(const QString& key) const;

  // Edits one field (the clock switches to Typed, "password" sets the new
  // password); false with the reason, nothing changed, on a bad text.
  bool SetField(const QString& key, const QString& text, QString* error = nullptr);
  // Puts a field back as read.
  void RevertField(const QString& key);
  // The next write carries this PC's local time at that moment.
  void SetClockFromPc();
  ClockMode Clock() const { return clockMode_; }
  // The unit's clock now as far as is known: the clock read plus the time
  // passed since, or what the operator asked for.
  QDateTime UnitClockNow() const;

  // Keys of the edited fields that differ from the block read (the clock
  // only when typed or taken from this PC).
  QStringList ChangedFields() const;
  bool IsChanged() const { return !ChangedFields().isEmpty(); }

  // Writes the edited block, then reads it back and compares every field.
  UnitResult Apply();

  // The block read as field texts; the clock as it runs now when live.
  UnitFieldValues Values(bool withPassword, bool live = false) const;
  // Sets every field of values but the clock (and the password unless
  // withPassword) onto the edit; all or nothing, false with the reason.
  bool LoadValues(const UnitFieldValues& values, bool withPassword, QString* error);

 signals:
  // The control's progress texts as they come.
  void Message(const QString& text);
  // The edit or the block read changed.
  void Changed();
  // A new password was written and logs in; the host stores it for target.
  void PasswordChanged(const zam::UnitTarget& target, const QString& newPassword);

 private:
  UnitResult Exchange(bool write, const COMBO_BLOCK& toWrite, COMBO_BLOCK* got);
  QStringList CheckBack(const COMBO_BLOCK& written, const COMBO_BLOCK& back, qint64 secondsSinceWrite) const;
  void ForgetRead();

  Corvel_Project::ComboBlock* control_;
  UnitTarget target_;
  bool hasRead_ = false;
  COMBO_BLOCK read_;
  COMBO_BLOCK edited_;
  QDateTime readClock_;
  QDateTime readAt_;
  QElapsedTimer sinceRead_;
  ClockMode clockMode_ = ClockMode::Running;
  QStringList seen_;  // Message texts of the exchange running
};

// One row of a comparison.
struct CompareRow {
  QString key, label, mine, theirs;
  bool differs = false;  // never for the clock
  QString note;          // the clock: how far apart
};
// Both sides row by row, in field order; a field only one side has differs.
QList<CompareRow> CompareValues(const UnitFieldValues& mine, const UnitFieldValues& theirs);

// Writes chosen field groups of a source to many units, one after another.
class UnitCopy : public QObject {
  Q_OBJECT
 public:
  // Values: field texts of the source (the clock is never taken from it; the
  // Clock group writes this PC's time).
  UnitCopy(const UnitFieldValues& values, const QSet<UnitFieldGroup>& groups, QObject* parent = nullptr);

  // Runs the whole list; one result per target, in order. A target met again
  // (same host and port) is not written twice.
  QList<UnitResult> Run(const QList<UnitTarget>& targets);
  // Stops after the unit being written; the rest get Cancelled.
  void Cancel() { cancelled_ = true; }

 signals:
  void Started(int index);
  void Finished(int index, const zam::UnitResult& result);
  void Message(const QString& text);
  void PasswordChanged(const zam::UnitTarget& target, const QString& newPassword);

 private:
  UnitResult One(const UnitTarget& target);
  UnitFieldValues values_;
  QSet<UnitFieldGroup> groups_;
  bool cancelled_ = false;
};

}  // namespace zam
