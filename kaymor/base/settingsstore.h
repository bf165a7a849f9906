#pragma once
// The per-user settings store: text values by section and key under the
// program title, kept in $XDG_CONFIG_HOME/Vantrel/Vantrel.ini.
#include <QString>
#include <memory>

#include "settingskeys.h"

class QSettings;

namespace zam {

// The stored text, or def when the key is missing. A value that the INI
// reader splits at its commas (a hand-edited, unquoted entry) is joined
// again, so an address entry reads back whole.
QString GetSetting(const QString& section, const QString& key, const QString& def = QString());

// Creates or overwrites the value. Failures change nothing and are not
// reported. A store file that could not be read or parsed is never written.
void SaveSetting(const QString& section, const QString& key, const QString& value);

// Removes the key, or the whole section when key is empty.
void DeleteSetting(const QString& section, const QString& key = QString());

// The same for a key of the table, read with its fallback.
QString GetSetting(const SettingKey& key);
void SaveSetting(const SettingKey& key, const QString& value);
void DeleteSetting(const SettingKey& key);

// Several changes written to the file at once (one write instead of one a change).
class SettingsBatch {
 public:
  SettingsBatch();
  ~SettingsBatch();
  SettingsBatch(const SettingsBatch&) = delete;
  SettingsBatch& operator=(const SettingsBatch&) = delete;
  void Save(const QString& section, const QString& key, const QString& value);
  void Delete(const QString& section, const QString& key = QString());

 private:
  std::unique_ptr<QSettings> s_;
  bool writable_ = true;
};

// Full path of the store's file.
QString SettingsFilePath();

}  // namespace zam
