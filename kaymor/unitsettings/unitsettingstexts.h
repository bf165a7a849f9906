#pragma once
// The texts the unit settings session reports, in one place.
#include <QString>
#include <QStringList>

namespace zam::unitsettingstexts {

inline QString SavedAndChecked() { return QStringLiteral("Saved and checked"); }
inline QString NothingChanged() { return QStringLiteral("Nothing changed; nothing was sent"); }
inline QString NotRead() { return QStringLiteral("The unit's settings have not been read"); }
inline QString NoAnswer(const QString& host, int port) {
  return QStringLiteral("No connection to %1 at port %2").arg(host).arg(port);
}
inline QString NoClock() { return QStringLiteral("The unit sent a block without a valid clock"); }
inline QString Differ(const QStringList& labels) {
  return QStringLiteral("Saved, but the unit holds other values for: %1").arg(labels.join(QStringLiteral(", ")));
}
inline QString CheckReadFailed(const QString& why) {
  return QStringLiteral("Saved, but reading it back failed: %1").arg(why);
}
inline QString NewPasswordRefused(const QString& why) {
  return QStringLiteral("The new password was sent, but logging in with it failed (%1); "
                        "the address book keeps the old one").arg(why);
}
inline QString NewPasswordStored() {
  return QStringLiteral("the new password works and goes into the address book");
}
inline QString ZoneKept(const QString& offset) {
  return QStringLiteral("this PC's UTC offset %1 is no time zone of the unit, so the zone was left as it was")
      .arg(offset);
}
inline QString NoPasswordPlace() {
  return QStringLiteral("this unit's block holds no password");
}
inline QString Cancelled() { return QStringLiteral("Not written: cancelled"); }
inline QString Duplicate() { return QStringLiteral("Not written again: the same unit is in the list twice"); }

// Backup files.
inline QString CannotRead(const QString& file, const QString& why) {
  return QStringLiteral("Cannot read %1: %2").arg(file, why);
}
inline QString CannotWrite(const QString& file, const QString& why) {
  return QStringLiteral("Cannot write %1: %2").arg(file, why);
}
inline QString NotASettingsFile(const QString& file) {
  return QStringLiteral("%1 is not a unit settings file").arg(file);
}
inline QString OtherVersion(const QString& file, int version, int known) {
  return QStringLiteral("%1 is a unit settings file of version %2; this program reads version %3")
      .arg(file).arg(version).arg(known);
}
inline QString Damaged(const QString& file, const QString& why) {
  return QStringLiteral("%1 is damaged: %2").arg(file, why);
}
inline QString DoesNotFit(const QString& why) {
  return QStringLiteral("The file does not fit this unit (%1); nothing was changed").arg(why);
}

}  // namespace zam::unitsettingstexts
