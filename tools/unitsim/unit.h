#pragma once
// What the simulated unit is and what it remembers, shared by its three links.
#include "options.h"
#include "simlog.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <optional>
#include <QObject>

namespace unitsim {

struct NetworkSettings {
  quint8 ethernetMode = 1;  // 0 disabled, 1 enabled
  quint8 dhcpMode = 0;
  Ip4 ip{}, mask{}, gateway{};
};

class Unit : public QObject {
  Q_OBJECT
 public:
  Unit(const Options& options, SimLog& log, QObject* parent = nullptr);

  const Options& options() const { return options_; }
  SimLog& log() { return log_; }

  // Login result byte for a password code: 1 accepted, 2 wrong password,
  // or the forced --login-result.
  quint8 LoginResult(qint32 code) const;
  bool PasswordMatches(qint32 code) const;

  quint8 led() const { return led_; }
  quint8 alarmMode() const { return alarmMode_; }

  // Key codes move the LED byte; each link has its own code set.
  enum class KeySet { Serial, Ethernet };
  void PressKey(KeySet set, int code, const char* link);

  const NetworkSettings& network() const { return network_; }
  void SetNetwork(const NetworkSettings& settings, const char* link);

  // The combo block's data part, with the alarm latch kept equal to the
  // alarm mode the serial side reports and the clock as it runs now.
  QByteArray comboData() const;
  // The whole block header (H bytes; H and D are set when it is sent).
  QByteArray comboHeader() const { return comboHeader_; }
  // A block the PC sent: its header bytes 6 .. H-1 and its data block.
  void StoreCombo(const QByteArray& headerFrom6, const QByteArray& data);

  // 16-byte blocks written over the serial line, read back by block number.
  QByteArray StoredBlock(quint8 block) const { return blocks_.value(block); }
  void StoreBlock(quint8 block, const QByteArray& data) { blocks_.insert(block, data); }

  // A reboot drops every TCP connection; state survives it.
  void Reboot(const char* link);

 signals:
  void rebooting();

 private:
  const Options& options_;
  SimLog& log_;
  quint8 led_;
  quint8 alarmMode_;
  NetworkSettings network_;
  QByteArray comboHeader_;
  QByteArray comboData_;
  // The block's clock: its value at clockSince_; unset while it stands.
  std::optional<QDateTime> clock_;
  QElapsedTimer clockSince_;
  // The login password; a written block with a password changes it.
  QString password_;
  QHash<quint8, QByteArray> blocks_;
};

}  // namespace unitsim
