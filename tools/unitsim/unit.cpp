#include "unit.h"

#include "comboblock.h"

#include <QTimeZone>
#include "keycodes.h"
#include "panellayout.h"
#include "zamtcp.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace unitsim {

namespace {

// How a key moves the LED byte. Each LED is the one the keyboard's panel
// layout draws beside the key, on the keyboard of the unit's type, so that a
// key lights the lamp next to it. Keys without a lamp on that keyboard
// change nothing of their own, but may still put other lamps out.
constexpr int kAnyIndex = -2;  // the key on either keyboard (imgRec(0), imgRec(1))

struct KeyRef {
  const char* control;  // nullptr: none
  int index;
};

enum class LedEffect { None, Set, Toggle };

struct LedRule {
  KeyRef key;                     // whose lamp the effect is on
  std::array<int, 3> serial;      // V codes of the key, -1 unused
  std::array<int, 3> ethernet;    // SPI4 codes of the key, -1 unused
  LedEffect effect;
  std::array<KeyRef, 5> clears;   // lamps the key puts out
};

constexpr KeyRef kRec{"imgRec", kAnyIndex}, kPlay{"imgPlay", kAnyIndex}, kPlayRev{"imgPlayRev", kAnyIndex},
    kPause{"imgPause", kAnyIndex}, kSearch{"imgSearch", kAnyIndex}, kSeq{"imgSeq", -1}, kQuad{"imgCam", 132},
    kCam1{"imgCam1", -1}, kIpCam1{"imgIPCam1", -1}, kNone{nullptr, 0};

constexpr LedRule kRules[] = {
    {kRec, {zam::VRECORD_KEY, -1, -1}, {zam::SPI4_RECORD_MODE, -1, -1}, LedEffect::Set, {}},
    {kPlay, {zam::VPLAY_FORWARD_KEY, zam::VPLAY_KEY, -1}, {zam::SPI4_PLAY_FORWARD, zam::SPI4_PLAY_MODE, -1},
     LedEffect::Set, {kPlayRev, kPause}},
    {kPlayRev, {zam::VPLAY_REVERSE_KEY, -1, -1}, {zam::SPI4_PLAY_REVERSE, -1, -1}, LedEffect::Set, {kPlay, kPause}},
    {kPause, {zam::VPAUSE_KEY, -1, -1}, {zam::SPI4_FREEZE, -1, -1}, LedEffect::Toggle, {}},
    {kSearch, {zam::VSEARCH_KEY, -1, -1}, {zam::SPI4_SEARCH, -1, -1}, LedEffect::Set, {}},
    // Stop (Live on Ethernet) ends recording, playback, pause and search.
    {kNone, {zam::VSTOP_KEY, zam::VLIVE_KEY, -1}, {zam::SPI4_LIVE_MODE, -1, -1}, LedEffect::None,
     {kRec, kPlay, kPlayRev, kPause, kSearch}},
    {kSeq, {zam::VSEQ_KEY, -1, -1}, {zam::SPI4_SEQUENCE, -1, -1}, LedEffect::Toggle, {}},
    {kQuad, {zam::VQUAD_4_KEY, -1, -1}, {zam::SPI4_QUAD_4_KEY, -1, -1}, LedEffect::Set, {}},
    // A single camera ends the quad view; camera 1 and the IP camera have
    // lamps on the one-camera keyboard.
    {kCam1, {zam::VCAM_1_KEY, -1, -1}, {zam::SPI4_CAM_1, -1, -1}, LedEffect::Set, {kIpCam1, kQuad}},
    {kNone, {zam::VCAM_1_KEY + 1, zam::VCAM_1_KEY + 2, zam::VCAM_1_KEY + 3},
     {zam::SPI4_CAM_1 + 1, zam::SPI4_CAM_1 + 2, zam::SPI4_CAM_1 + 3}, LedEffect::None, {kQuad}},
    {kIpCam1, {zam::VIPCAM_1_KEY, -1, -1}, {zam::SPI4_IPCAM_1, -1, -1}, LedEffect::Set, {kCam1, kQuad}},
};

const LedRule* FindRule(Unit::KeySet set, int code) {
  for (const LedRule& r : kRules) {
    const std::array<int, 3>& codes = set == Unit::KeySet::Serial ? r.serial : r.ethernet;
    if (std::find(codes.begin(), codes.end(), code) != codes.end()) return &r;
  }
  return nullptr;
}

// The LED bit beside the key on the panel, -1 when the panel has none there.
int LedBitOf(int panel, const KeyRef& ref) {
  if (!ref.control) return -1;
  for (const zam::layout::LedPicture& led : zam::layout::kLeds) {
    if (led.panel != panel || !*led.key || led.index > 7) continue;
    const zam::layout::KeyPicture* key = zam::layout::FindKey(led.key);
    if (key && std::string_view(key->control) == ref.control && (ref.index == kAnyIndex || key->index == ref.index))
      return led.index;
  }
  return -1;
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
      alarmMode_(options.alarmMode),
      password_(options.password) {
  network_.ip = options.ip ? *options.ip : ToIp4(options.udpAddress);
  network_.mask = options.mask ? *options.mask : Ip4{255, 255, 255, 0};
  network_.gateway = options.gateway ? *options.gateway : Ip4{network_.ip[0], network_.ip[1], network_.ip[2], 1};
  // A 16-byte block header; H and D are filled in when it is sent, the rest
  // the PC keeps and returns unread, so it is recognisable on the way back.
  comboHeader_ = QByteArray(16, '\0');
  for (int i = 4; i < comboHeader_.size(); ++i) comboHeader_[i] = char(i - 3);
  comboData_ = zam::DefaultComboData(options.comboRows, options.unitType == 1 ? 1 : 4);
  const QByteArray pw = password_.toLatin1().leftJustified(4, '\0', true);
  if (comboData_.size() >= zam::cbo::EthernetPassword + 4) comboData_.replace(zam::cbo::EthernetPassword, 4, pw);
  if (options.clockOffsetS) {
    const QDateTime local = QDateTime::currentDateTime();
    clock_ = QDateTime(local.date(), local.time(), Qt::UTC).addSecs(*options.clockOffsetS);
    clockSince_.start();
  }
}

bool Unit::PasswordMatches(qint32 code) const {
  if (code == zam::PasswordToCode(password_)) return true;
  // The keyboard program sends an empty password (code 0) for the default one.
  return code == 0 && password_ == QLatin1String("qmpv");
}

quint8 Unit::LoginResult(qint32 code) const {
  if (options_.loginResult) return *options_.loginResult;
  return PasswordMatches(code) ? 1 : 2;
}

void Unit::PressKey(KeySet set, int code, const char* link) {
  const LedRule* rule = FindRule(set, code);
  if (!rule) return;
  // picKeyboard(0) is the one-camera keyboard, picKeyboard(1) the four-camera one.
  const int panel = options_.unitType == 1 ? 0 : 1;
  const quint8 before = led_;
  for (const KeyRef& off : rule->clears)
    if (const int bit = LedBitOf(panel, off); bit >= 0) led_ = quint8(led_ & ~(1u << bit));
  if (const int bit = LedBitOf(panel, rule->key); bit >= 0) {
    if (rule->effect == LedEffect::Set) led_ = quint8(led_ | (1u << bit));
    if (rule->effect == LedEffect::Toggle) led_ = quint8(led_ ^ (1u << bit));
  }
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
  if (clock_ && data.size() > zam::cbo::Year) {
    const QDateTime now = clock_->addMSecs(clockSince_.elapsed());
    const int parts[] = {now.time().hour(), now.time().minute(), now.time().second(),
                         now.date().month(), now.date().day(), now.date().year() % 100};
    for (int i = 0; i < 6; ++i) data[zam::cbo::Hour + i] = char(parts[i]);
  }
  return data;
}

void Unit::StoreCombo(const QByteArray& headerFrom6, const QByteArray& data) {
  // A send carries 00 00 in header bytes 4-5: the unit keeps its own there.
  comboHeader_ = comboHeader_.left(6) + headerFrom6;
  comboData_ = data;
  if (options_.comboStoreFault && *options_.comboStoreFault < comboData_.size())
    comboData_[*options_.comboStoreFault] = char(comboData_[*options_.comboStoreFault] ^ 0x01);
  if (comboData_.size() > zam::cbo::AlarmLatch) alarmMode_ = quint8(comboData_[zam::cbo::AlarmLatch]);
  // The clock runs from what was written.
  if (comboData_.size() > zam::cbo::Year) {
    const auto b = [this](int at) { return int(quint8(comboData_[at])); };
    const int year = b(zam::cbo::Year) >= 60 ? 1900 + b(zam::cbo::Year) : 2000 + b(zam::cbo::Year);
    const QDateTime written(QDate(year, b(zam::cbo::Month), b(zam::cbo::Day)),
                            QTime(b(zam::cbo::Hour), b(zam::cbo::Minute), b(zam::cbo::Second)), Qt::UTC);
    if (written.isValid()) {
      clock_ = written;
      clockSince_.start();
    }
  }
  if (comboData_.size() >= zam::cbo::EthernetPassword + 4) {
    const QByteArray pw = comboData_.mid(zam::cbo::EthernetPassword, 4);
    const QString text = QString::fromLatin1(pw.left(pw.indexOf('\0') < 0 ? 4 : pw.indexOf('\0')));
    if (!text.isEmpty() && text != password_) {
      password_ = text;
      log_.Event("tcp", QStringLiteral("password"), {{"password", text}});
    }
  }
}

void Unit::Reboot(const char* link) {
  log_.Event(link, QStringLiteral("reboot"));
  emit rebooting();
}

}  // namespace unitsim
