#include "profiles.h"

#include <QComboBox>
#include <QFile>
#include <QSaveFile>
#include <algorithm>

#include "debuglog.h"
#include <dotquad/dotquad.h>
#include "frmOptions.h"
#include "msgbox.h"
#include "settingsstore.h"

namespace zam {

namespace {

QString& ProfileFolderOverride() {
  static QString folder;
  return folder;
}

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

bool SaveBytes(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(bytes);
  return file.commit();
}

}  // namespace

QString ProfileFilePath() {
  const QString folder = ProfileFolderOverride().isEmpty() ? ProgramDataFolder() : ProfileFolderOverride();
  return folder + QStringLiteral("/Profile.dat");
}

void SetProfileFolder(const QString& folder) { ProfileFolderOverride() = folder; }

QString ProfileName(const QString& line) {
  const int comma = line.indexOf(QLatin1Char(','));
  return comma < 0 ? QString() : line.left(comma).trimmed();
}

bool ReadProfileLines(const QString& path, QStringList* lines) {
  lines->clear();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray all = file.readAll();
  for (const QByteArray& raw : all.split('\n')) {
    const QString line = QString::fromLocal8Bit(raw).trimmed();
    if (!line.isEmpty()) *lines << line;
  }
  return true;
}

bool WriteProfileLines(const QString& path, const QStringList& lines) {
  QByteArray bytes;
  for (const QString& line : lines) bytes += line.toLocal8Bit() + kLineEnd;
  return SaveBytes(path, bytes);
}

bool AppendProfileLine(const QString& path, const QString& line) {
  QByteArray bytes;
  QFile old(path);
  if (old.exists()) {
    // A file we cannot read must not be replaced by the new line alone.
    if (!old.open(QIODevice::ReadOnly)) return false;
    bytes = old.readAll();
    old.close();
    // A last line without its end would run into the new one.
    if (!bytes.isEmpty() && !bytes.endsWith('\n')) bytes += kLineEnd;
  }
  bytes += line.toLocal8Bit() + kLineEnd;
  return SaveBytes(path, bytes);
}

bool frmOptions::ProfileAction(qint16 action, const QString& text) {
  if (action != ListProfiles && text.isEmpty()) return false;
  const QString path = ProfileFilePath();
  QStringList lines;
  const bool read = ReadProfileLines(path, &lines);
  if (!read && action == ListProfiles) return false;
  QStringList names;
  for (const QString& line : std::as_const(lines)) names << ProfileName(line);

  switch (action) {
    case AddProfile: {
      // The settings just written to a unit replace its old profile, which
      // would otherwise put the stale values back on the page when chosen.
      const int at = names.indexOf(ProfileName(text));
      if (at < 0) return AppendProfileLine(path, text);
      if (lines[at] == text.trimmed()) return true;
      lines[at] = text.trimmed();
      return WriteProfileLines(path, lines);
    }
    case DeleteProfile: {
      QStringList kept;
      for (int i = 0; i < lines.size(); ++i)
        if (names[i] != text) kept << lines[i];
      const bool ok = kept.size() == lines.size() || WriteProfileLines(path, kept);
      // The last name goes from the list; the fields keep what was read or typed.
      if (cboProfile->count() == 1) cboProfile->clear();
      return ok;
    }
    case ApplyProfile: {
      const int at = names.indexOf(text);
      if (at < 0) return false;
      const QStringList fields = lines[at].split(QLatin1Char(','));
      for (int i = 0; i < 3 && i < fields.size(); ++i) dqIpAddress[i]->SetFullAddress(fields[i].trimmed());
      for (int i = 0; i < 2 && i + 3 < fields.size(); ++i) {
        bool ok = false;
        const int index = fields[i + 3].trimmed().toInt(&ok);
        if (ok && index >= 0 && index < cboEthernet[i]->count()) cboEthernet[i]->setCurrentIndex(index);
      }
      return true;
    }
    case ListProfiles: {
      if (lines.isEmpty()) return true;
      cboProfile->blockSignals(true);
      cboProfile->clear();
      QStringList sorted;
      for (const QString& name : std::as_const(names)) {
        if (name.isEmpty() || sorted.contains(name)) continue;
        const auto at = std::upper_bound(sorted.begin(), sorted.end(), name, [](const QString& a, const QString& b) {
          return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        });
        sorted.insert(at, name);
      }
      cboProfile->addItems(sorted);
      cboProfile->setCurrentIndex(-1);
      cboProfile->blockSignals(false);

      SelectProfileIndex(cboProfile->findText(text));
      const QString remembered = GetSetting(setting::Profile);
      if (remembered.isEmpty()) SelectProfileIndex(0);
      else if (cboProfile->findText(remembered) >= 0) SelectProfileIndex(cboProfile->findText(remembered));
      if (cboProfile->currentText().isEmpty()) SelectProfileIndex(0);
      return true;
    }
    default:
      return false;
  }
}

void frmOptions::SelectProfileIndex(int index) {
  if (index < 0 || index >= cboProfile->count()) return;
  cboProfile->blockSignals(true);
  cboProfile->setCurrentIndex(index);
  cboProfile->blockSignals(false);
  cboProfile_Click();
}

void frmOptions::cboProfile_Click() {
  const QString name = cboProfile->currentText();
  if (name.isEmpty()) return;
  if (applyOnSelect_) ProfileAction(ApplyProfile, name);
  SaveSetting(setting::Profile, name);
}

void frmOptions::cmdDelete_Click() {
  const QString name = cboProfile->currentText();
  if (name.isEmpty()) return;
  const MsgAnswer answer =
      MsgBox(this, QStringLiteral("Do you want to delete the profile \"") + name + QStringLiteral("\"?\t"),
             MsgButtons::YesNo, MsgIcon::Question, QStringLiteral("Delete a Profile"), MsgAnswer::No);
  if (answer != MsgAnswer::Yes) return;
  if (!ProfileAction(DeleteProfile, name)) return;
  // The list moves on to a remaining name; the fields keep what they show.
  applyOnSelect_ = false;
  ProfileAction(ListProfiles, QStringLiteral(" "));
  applyOnSelect_ = true;
}

}  // namespace zam
