#include "settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

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

// The file as one stat() sees it. The writer replaces the file, so a write
// of ours or of anyone else's gives a new inode, an edit in place a new
// size or time, and a change of its permissions a new status-change time.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  timespec modified{};
  timespec changed{};
  static bool Same(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }
  bool operator==(const FileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size && Same(modified, o.modified) &&
           Same(changed, o.changed);
  }
};

bool Stamp(const QString& path, FileStamp* out) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return false;
  *out = {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
  return true;
}

// The last file found sound: the one checked before a write, or written by
// us. Saves reading and parsing the whole file again before every write.
struct Verified {
  QString path;
  FileStamp stamp;
};

Verified& LastVerified() {
  static Verified verified;
  return verified;
}

void RememberSound(const QString& path) {
  FileStamp stamp;
  if (Stamp(path, &stamp)) LastVerified() = {path, stamp};
}

// The store as the program reads it: one QSettings for the program's life,
// read from memory. A watch on the file's folder tells when anyone (this
// program, another one, an editor) has touched the file; only then is the
// file looked up, and read again when its stamp changed. Without a watch
// (the folder missing, no inotify) every read looks the file up as before.
class ReadStore {
 public:
  static ReadStore& Instance() {
    static ReadStore* store = new ReadStore;  // kept to the end: Qt's caches outlive statics
    return *store;
  }
  std::mutex& Lock() { return lock_; }
  const QString& Path() const { return path_; }

  // The store, current with the file.
  QSettings& Current() {
    if (!Touched()) return *s_;
    FileStamp now;
    const bool present = Stamp(path_, &now);
    if (present != present_ || !(now == stamp_)) {
      s_->sync();
      present_ = present;
      stamp_ = now;
    }
    return *s_;
  }

  // After a write of ours: look at the file again at the next read.
  void Forget() { touched_ = true; }

 private:
  ReadStore()
      : s_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, kTitle, kTitle)),
        path_(s_->fileName()),
        folder_(QFile::encodeName(QFileInfo(path_).absolutePath())),
        name_(QFile::encodeName(QFileInfo(path_).fileName())) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    present_ = Stamp(path_, &stamp_);
  }

  // Whether the file may have changed since the last look: one read of the
  // watch (no file looked up) while the folder is watched.
  bool Touched() {
    bool touched = touched_.exchange(false);
    if (fd_ < 0) return true;
    if (watch_ < 0) {
      watch_ = ::inotify_add_watch(fd_, folder_.constData(),
                                   IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                       IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF);
      return true;  // nothing is known of the time before the watch
    }
    alignas(inotify_event) char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) {
        if (n < 0 && errno == EINTR) continue;
        break;
      }
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        at += ssize_t(sizeof(inotify_event)) + e->len;
        if (e->mask & (IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
          // The folder went away or events were lost: watch anew.
          if ((e->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) && e->wd == watch_) {
            if (watch_ >= 0) ::inotify_rm_watch(fd_, watch_);
            watch_ = -1;
          }
          touched = true;
        } else if (e->len == 0 || name_ == e->name) {
          touched = true;
        }
      }
    }
    return touched || watch_ < 0;
  }

  std::mutex lock_;
  std::unique_ptr<QSettings> s_;
  QString path_;
  QByteArray folder_, name_;
  int fd_ = -1, watch_ = -1;
  std::atomic<bool> touched_ = false;
  bool present_ = false;
  FileStamp stamp_;
};

// A store file that exists but could not be read or parsed (no read access,
// a format error, binary junk) is left exactly as it is: the INI writer would
// replace it by the few keys it understood. Its values read as defaults.
bool MayWrite(const QSettings& s) {
  const QString path = s.fileName();
  FileStamp before;
  if (!Stamp(path, &before)) return !QFileInfo::exists(path);
  if (LastVerified().path == path && LastVerified().stamp == before) return true;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  if (bytes.contains('\0') || !Parses(bytes)) return false;
  LastVerified() = {path, before};
  return true;
}

// Ends a write: the file is ours to read only, and known sound.
void Finish(QSettings& s) {
  s.sync();
  Restrict(s.fileName());
  if (s.status() == QSettings::NoError) RememberSound(s.fileName());
  ReadStore::Instance().Forget();
}

template <typename Change>
void Write(Change change) {
  QSettings s = OpenStore();
  if (!MayWrite(s)) return;
  PrepareFile(s.fileName());
  change(s);
  Finish(s);
}

}  // namespace

SettingsBatch::SettingsBatch()
    : s_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, kTitle, kTitle)) {
  writable_ = MayWrite(*s_);
  if (writable_) PrepareFile(s_->fileName());
}

SettingsBatch::~SettingsBatch() {
  if (writable_) Finish(*s_);
}

void SettingsBatch::Save(const QString& section, const QString& key, const QString& value) {
  if (writable_) s_->setValue(section + '/' + key, value);
}

void SettingsBatch::Delete(const QString& section, const QString& key) {
  if (writable_) s_->remove(key.isEmpty() ? section : section + '/' + key);
}

QString SettingsFilePath() { return ReadStore::Instance().Path(); }

QString GetSetting(const QString& section, const QString& key, const QString& def) {
  ReadStore& store = ReadStore::Instance();
  const std::lock_guard<std::mutex> hold(store.Lock());
  const QVariant v = store.Current().value(section + '/' + key);
  if (!v.isValid()) return def;
  if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(',');
  return v.toString();
}

void SaveSetting(const QString& section, const QString& key, const QString& value) {
  {
    // The same text stored already: nothing to write.
    ReadStore& store = ReadStore::Instance();
    const std::lock_guard<std::mutex> hold(store.Lock());
    QSettings& s = store.Current();
    const QVariant v = s.value(section + '/' + key);
    if (s.status() == QSettings::NoError && v.typeId() == QMetaType::QString && v.toString() == value) return;
  }
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
