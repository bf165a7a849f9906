#include "settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

namespace zam {

namespace {

constexpr auto kTitle = "Vantrel";

QSettings OpenStore() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, kTitle, kTitle);
}

// The store holds unit passwords: create it readable by its owner only, and
// put the mode back after each write (the writer replaces the file).
void PrepareFile(const QString& path) {
  if (QFileInfo::exists(path)) return;
  QDir().mkpath(QFileInfo(path).absolutePath());
  const QByteArray native = QFile::encodeName(path);
  const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) ::close(fd);
}

void Restrict(const QString& path) {
  if (QFileInfo::exists(path))
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// Whether INI text parses. Read from a copy of its own: QSettings keeps the
// files it has read in a cache and reports a format error only to the
// object whose read parsed the file.
bool Parses(const QByteArray& bytes) {
  QTemporaryDir dir;
  if (!dir.isValid()) return true;
  const QString copy = dir.filePath(QStringLiteral("check.ini"));
  QFile file(copy);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return true;
  file.close();
  QSettings s(copy, QSettings::IniFormat);
  s.childGroups();
  return s.status() == QSettings::NoError;
}

// A store file that exists but could not be read or parsed (no read access,
// a format error, binary junk) is left exactly as it is: the INI writer would
// replace it by the few keys it understood. Its values read as defaults.
bool MayWrite(const QSettings& s) {
  const QString path = s.fileName();
  if (!QFileInfo::exists(path)) return true;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  return !bytes.contains('\0') && Parses(bytes);
}

template <typename Change>
void Write(Change change) {
  QSettings s = OpenStore();
  if (!MayWrite(s)) return;
  PrepareFile(s.fileName());
  change(s);
  s.sync();
  Restrict(s.fileName());
}

}  // namespace

SettingsBatch::SettingsBatch()
    : s_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, kTitle, kTitle)) {
  writable_ = MayWrite(*s_);
  if (writable_) PrepareFile(s_->fileName());
}

SettingsBatch::~SettingsBatch() {
  if (!writable_) return;
  s_->sync();
  Restrict(s_->fileName());
}

void SettingsBatch::Save(const QString& section, const QString& key, const QString& value) {
  if (writable_) s_->setValue(section + '/' + key, value);
}

void SettingsBatch::Delete(const QString& section, const QString& key) {
  if (writable_) s_->remove(key.isEmpty() ? section : section + '/' + key);
}

QString SettingsFilePath() { return OpenStore().fileName(); }

QString GetSetting(const QString& section, const QString& key, const QString& def) {
  QSettings s = OpenStore();
  const QString path = section + '/' + key;
  if (!s.contains(path)) return def;
  const QVariant v = s.value(path);
  if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(',');
  return v.toString();
}

void SaveSetting(const QString& section, const QString& key, const QString& value) {
  Write([&](QSettings& s) { s.setValue(section + '/' + key, value); });
}

void DeleteSetting(const QString& section, const QString& key) {
  Write([&](QSettings& s) { s.remove(key.isEmpty() ? section : section + '/' + key); });
}

QString GetSetting(const SettingKey& key) {
  return GetSetting(QLatin1String(key.section), QLatin1String(key.key), QLatin1String(key.fallback));
}

void SaveSetting(const SettingKey& key, const QString& value) {
  SaveSetting(QLatin1String(key.section), QLatin1String(key.key), value);
}

void DeleteSetting(const SettingKey& key) { DeleteSetting(QLatin1String(key.section), QLatin1String(key.key)); }

}  // namespace zam
