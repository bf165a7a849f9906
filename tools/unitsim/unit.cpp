#include "unit.h"

#include "comboblock.h"
#include "keycodes.h"
#include "zamtcp.h"

namespace unitsim {

namespace {

// How a key moves the LED byte: LED 0 record, 1 play, 2 pause, 4 sequence,
// 5 zoom. Stop (live on the Ethernet set) ends record, play and pause.
struct LedRule {
  int code;
  quint8 set, clear, toggle;
};

constexpr LedRule kSerialRules[] = {
    {zam::VRECORD_KEY, 0x01, 0, 0},       {zam::VPLAY_FORWARD_KEY, 0x02, 0, 0},
    {zam::VPLAY_REVERSE_KEY, 0x02, 0, 0}, {zam::VPLAY_KEY, 0x02, 0, 0},
    {zam::VSTOP_KEY, 0, 0x07, 0},         {zam::VLIVE_KEY, 0, 0x07, 0},
    {zam::VPAUSE_KEY, 0, 0, 0x04},        {zam::VSEQ_KEY, 0, 0, 0x10},
    {zam::VZOOM_KEY, 0, 0, 0x20},
};

constexpr LedRule kEthernetRules[] = {
    {zam::SPI4_RECORD_MODE, 0x01, 0, 0},  {zam::SPI4_PLAY_FORWARD, 0x02, 0, 0},
    {zam::SPI4_PLAY_REVERSE, 0x02, 0, 0}, {zam::SPI4_PLAY_MODE, 0x02, 0, 0},
    {zam::SPI4_LIVE_MODE, 0, 0x07, 0},    {zam::SPI4_FREEZE, 0, 0, 0x04},
    {zam::SPI4_SEQUENCE, 0, 0, 0x10},     {zam::SPI4_ZOOM_IN, 0, 0, 0x20},
};

const LedRule* FindRule(Unit::KeySet set, int code) {
  if (set == Unit::KeySet::Serial) {
    for (const LedRule& r : kSerialRules)
      if (r.code == code) return &r;
  } else {
    for (const LedRule& r : kEthernetRules)
      if (r.code == code) return &r;
  }
  return nullptr;
}

Ip4 ToIp4(const QHostAddress& address) {
  bool ok = false;
  const quint32 v = address.toIPv4Address(&ok);
  if (!ok || v == 0) return {127, 0, 0, 1};
  return {quint8(v >> 24), quint8(v >> 16), quint8(v >> 8), quint8(v)};
}

}  // namespace

Unit::Unit(const Options& options, SimLog& log, QObject* parent)
    : QObject(parent),
      options_(options),
      log_(log),
      led_(options.led),
      alarmMode_(options.alarmMode) {
  network_.ip = options.ip ? *options.ip : ToIp4(options.udpAddress);
  network_.mask = options.mask ? *options.mask : Ip4{255, 255, 255, 0};
  network_.gateway = options.gateway ? *options.gateway : Ip4{network_.ip[0], network_.ip[1], network_.ip[2], 1};
  // A 16-byte block header; H and D are filled in when it is sent, the rest
  // the PC keeps and returns unread, so it is recognisable on the way back.
  comboHeader_ = QByteArray(16, '\0');
  for (int i = 4; i < comboHeader_.size(); ++i) comboHeader_[i] = char(i - 3);
  comboData_ = zam::DefaultComboData(options.comboRows, options.unitType == 1 ? 1 : 4);
}

bool Unit::PasswordMatches(qint32 code) const {
  if (code == zam::PasswordToCode(options_.password)) return true;
  // The keyboard program sends an empty password (code 0) for the default one.
  return code == 0 && options_.password == QLatin1String("qmpv");
}

quint8 Unit::LoginResult(qint32 code) const {
  if (options_.loginResult) return *options_.loginResult;
  return PasswordMatches(code) ? 1 : 2;
}

void Unit::PressKey(KeySet set, int code, const char* link) {
  const LedRule* rule = FindRule(set, code);
  if (!rule) return;
  const quint8 before = led_;
  led_ = quint8(((led_ | rule->set) & ~rule->clear) ^ rule->toggle);
  if (led_ != before)
    log_.Event(link, QStringLiteral("led"), {{"led", int(led_)}, {"was", int(before)}});
}

void Unit::SetNetwork(const NetworkSettings& settings, const char* link) {
  network_ = settings;
  const auto dotted = [](const Ip4& a) {
    return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
  };
  log_.Event(link, QStringLiteral("network"),
             {{"ethernet", int(settings.ethernetMode)},
              {"dhcp", int(settings.dhcpMode)},
              {"ip", dotted(settings.ip)},
              {"mask", dotted(settings.mask)},
              {"gateway", dotted(settings.gateway)}});
}

QByteArray Unit::comboData() const {
  QByteArray data = comboData_;
  if (data.size() > zam::cbo::AlarmLatch) data[zam::cbo::AlarmLatch] = char(alarmMode_);
  return data;
}

void Unit::StoreCombo(const QByteArray& headerFrom6, const QByteArray& data) {
  // A send carries 00 00 in header bytes 4-5: the unit keeps its own there.
  comboHeader_ = comboHeader_.left(6) + headerFrom6;
  comboData_ = data;
  if (data.size() > zam::cbo::AlarmLatch) alarmMode_ = quint8(data[zam::cbo::AlarmLatch]);
}

void Unit::Reboot(const char* link) {
  log_.Event(link, QStringLiteral("reboot"));
  emit rebooting();
}

}  // namespace unitsim
