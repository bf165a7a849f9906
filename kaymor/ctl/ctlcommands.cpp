#include "ctlcommands.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <csignal>
#include <unistd.h>

#include "ModSPIKeys.h"
#include "PingIP.h"
#include "controlproperties.h"
#include "ctlsettings.h"
#include <corvel/corvel_udp.h>
#include "discoverymsg.h"
#include "eventpump.h"
#include "keycodes.h"
#include "networkpage.h"
#include "settingsstore.h"
#include "unitlink.h"
#include "unittarget.h"
#include "zamserial.h"

namespace zam::ctl {

std::optional<QString> PasswordOption(const Invocation& inv) {
  if (!inv.Has(QStringLiteral("--password"))) return std::nullopt;
  return inv.Value(QStringLiteral("--password"));
}

namespace {

constexpr int kDefaultGapMs = 150;
constexpr int kWatchPeriodMs = 1000;
// The keyboard window's section for its discovery control's properties.
constexpr auto kWindowForm = "frmZAMKeyboard";

QString Hex2(quint8 value) {
  return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

// Logs in over TCP; empty on success, else the reason.
QString Login(UnitLink& link, const UnitTarget& target) {
  QString reason;
  if (link.ConnectionRequest(target.host, target.password, QString::number(target.port), reason)) return {};
  if (!reason.isEmpty()) return reason;
  const QString where = QStringLiteral("%1:%2").arg(target.host).arg(target.port);
  const int state = link.wskClient.State();
  if (state == sckConnected) return QStringLiteral("no reply within %1 s").arg(UnitLink::kLoginWaitS);
  const QString why = link.wskClient.FailureReason();
  if (state == sckClosing && why.isEmpty()) return QStringLiteral("%1 closed the connection").arg(where);
  return QStringLiteral("could not connect to %1 (%2)")
      .arg(where, why.isEmpty() ? QStringLiteral("no answer within 5 s") : why);
}

// Resolves the UNIT argument and logs in; empty on success, else the reason.
QString Connect(const Invocation& inv, const QString& unit, UnitLink& link) {
  QString error;
  const auto target = ResolveUnit(unit, PasswordOption(inv), &error);
  if (!target) return error;
  return Login(link, *target);
}

// "COM2" or a device path.
bool OpenSerial(const QString& port, SerialAdapter& adapter, QString* error) {
  if (port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
    bool ok = false;
    const int n = port.mid(3).toInt(&ok);
    if (!ok || ComPortDevice(n).isEmpty()) {
      *error = QStringLiteral("no such port: %1 (COM1 to COM16 or a device path)").arg(port);
      return false;
    }
    adapter.SetCommPort(n);
  } else {
    adapter.SetDevice(port);
  }
  if (adapter.Open()) return true;
  *error = adapter.PermissionDenied() ? SerialPermissionText(adapter.DevicePath()) : adapter.OpenFailure();
  return false;
}

// Opens the port and finds the unit (the baud search, the stored rate first).
QString ConnectSerial(const QString& port, UnitLink& link) {
  link.BaudRateMemory = UnitLink::RateMemory::ReadOnly;
  QString error;
  if (!OpenSerial(port, link.MSComm1, &error)) return error;
  link.DetectUnit(false);
  if (link.UnitInfo.UnitType == 0)
    return link.UnitInfo.Message.isEmpty() ? QStringLiteral("Could not detect the unit") : link.UnitInfo.Message;
  return {};
}

// The LEDs by the key each sits beside, bit 0 first, for both unit types.
QStringList LitLeds(quint8 bits, int unitType) {
  static const char* const kType4[8] = {"record", "play", "reverse", "pause", "search", "alarm", "sequence", "quad"};
  static const char* const kType1[8] = {"record", "play", "reverse", "pause", "search", "alarm", "cam1", "ipcam1"};
  QStringList lit;
  for (int bit = 0; bit < 8; ++bit)
    if (bits & (1 << bit)) lit << QLatin1String(unitType == 1 ? kType1[bit] : kType4[bit]);
  return lit;
}

// SIGINT and SIGTERM end a --watch loop through the event loop.
int gSignalPipe[2] = {-1, -1};
void OnSignal(int) {
  const char c = 1;
  [[maybe_unused]] const auto n = ::write(gSignalPipe[1], &c, 1);
}

// The UDP control with the window's filter and discovery port, read, never written.
void SetUpAsWindow(Corvel_Project::UDP& udp) {
  udp.setObjectName(QStringLiteral("UDP1"));
  LoadControlProperties(&udp, QLatin1String(kWindowForm));
  bool ok = false;
  const int stored = GetSetting(setting::DiscoveryPort).toInt(&ok);
  if (ok) udp.SetRemotePort(stored);
}

Exit Discover(const Invocation& inv, const Output& out) {
  Corvel_Project::UDP udp;
  SetUpAsWindow(udp);
  bool ok = false;
  if (inv.Has(QStringLiteral("--port"))) {
    const int port = inv.Value(QStringLiteral("--port")).toInt(&ok);
    if (!ok || port < 1 || port > 0xFFFF) return out.Usage(QStringLiteral("--port needs a number from 1 to 65535"));
    udp.SetRemotePort(port);
  }
  if (inv.Has(QStringLiteral("--timeout"))) {
    const int seconds = inv.Value(QStringLiteral("--timeout")).toInt(&ok);
    if (!ok || seconds < 1 || seconds > 600)
      return out.Usage(QStringLiteral("--timeout needs a number of seconds from 1 to 600"));
    udp.SetRequestsPerAddress(seconds);
  }
  QList<DISCOVER_UDP_INFO> units;
  udp.Discovery(units);
  QJsonArray array;
  for (const DISCOVER_UDP_INFO& u : std::as_const(units)) {
    array.append(QJsonObject{{"address", u.IPAddress},
                             {"model", u.ModelName},
                             {"serial", u.SerialNo},
                             {"mac", u.MACAddress},
                             {"listenPort", static_cast<int>(u.ListenPort)},
                             {"unitId", Hex2(u.UnitIDVal)}});
    out.Line(QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6")
                 .arg(u.IPAddress, u.ModelName, u.SerialNo, u.MACAddress)
                 .arg(u.ListenPort)
                 .arg(Hex2(u.UnitIDVal)));
  }
  out.Document(array);
  return Exit::Ok;
}

Exit Ping(const Invocation& inv, const Output& out) {
  QString address = inv.args[0];
  const QString status = PingAddress(address);
  const bool success = status.contains(QLatin1String("IP Success"));
  const QJsonObject json{{"address", address}, {"status", status}, {"success", success}};
  if (!success) {
    // The text is the answer either way.
    out.Line(status);
    return out.Fail(status);
  }
  return out.Success(status, json);
}

Exit Info(const Invocation& inv, const Output& out) {
  UnitLink link;
  if (const QString error = Connect(inv, inv.args[0], link); !error.isEmpty()) return out.Fail(error);
  link.DetectUnit(true);
  const UnitInfoRecord& u = link.UnitInfo;
  if (u.UnitType == 0) return out.Fail(QStringLiteral("no reply within %1 s").arg(UnitLink::kStatusWaitS));
  return out.Success(QStringLiteral("Name: %1\nMAC: %2\nVersion: %3\nType: %4")
                         .arg(u.Name, u.MacAddress, u.Version)
                         .arg(u.UnitType),
                     QJsonObject{{"name", u.Name},
                                 {"mac", u.MacAddress},
                                 {"version", u.Version},
                                 {"unitType", static_cast<int>(u.UnitType)}});
}

Exit Keys(const Invocation& inv, const Output& out) {
  const bool serial = inv.Has(QStringLiteral("--serial"));
  const QStringList names = serial ? inv.args : inv.args.mid(1);
  if (names.isEmpty()) return out.Usage(QStringLiteral("usage: kaymorctl keys UNIT KEY... (no key given)"));
  QList<KeyPair> keys;
  for (const QString& name : names) {
    const auto key = KeyByName(name);
    if (!key) {
      QStringList valid;
      for (const NamedKey& k : NamedKeys()) valid << QLatin1String(k.name);
      return out.Usage(QStringLiteral("unknown key \"%1\"; the keys are: %2").arg(name, valid.join(' ')));
    }
    keys << *key;
  }
  bool ok = true;
  const int gap = inv.Value(QStringLiteral("--gap"), QString::number(kDefaultGapMs)).toInt(&ok);
  if (!ok || gap < 0 || gap > 60000) return out.Usage(QStringLiteral("--gap needs milliseconds from 0 to 60000"));

  UnitLink link;
  const QString error = serial ? ConnectSerial(inv.Value(QStringLiteral("--serial")), link)
                               : Connect(inv, inv.args[0], link);
  if (!error.isEmpty()) return out.Fail(error);
  for (int i = 0; i < keys.size(); ++i) {
    if (i > 0) PumpFor(gap);
    const bool sent = serial ? link.SendCOMMsg(SerialKey, keys[i].v, 0) : SendSPIKey(keys[i].spi, link.wskClient);
    if (!sent) return out.Fail(QStringLiteral("the link closed before key %1 (%2)").arg(i + 1).arg(names[i]));
  }
  out.Document(QJsonObject{{"sent", QJsonArray::fromStringList(names)}});
  return Exit::Ok;
}

Exit Leds(const Invocation& inv, const Output& out) {
  const bool serial = inv.Has(QStringLiteral("--serial"));
  if (serial != inv.args.isEmpty())
    return out.Usage(QStringLiteral("usage: kaymorctl leds UNIT | --serial PORT [--watch]"));
  UnitLink link;
  QString error = serial ? ConnectSerial(inv.Value(QStringLiteral("--serial")), link) : Connect(inv, inv.args[0], link);
  if (error.isEmpty() && !serial) {
    link.DetectUnit(true);
    if (link.UnitInfo.UnitType == 0) error = QStringLiteral("no reply within %1 s").arg(UnitLink::kStatusWaitS);
  }
  if (!error.isEmpty()) return out.Fail(error);

  const auto readOnce = [&]() -> std::optional<QJsonObject> {
    const UnitLink::LedReply reply = serial ? link.RequestLedSerial() : link.RequestLedTcp();
    if (reply.outcome != UnitLink::LedReply::Reply) return std::nullopt;
    const QStringList lit = LitLeds(reply.bits, link.UnitInfo.UnitType);
    out.Line(QStringLiteral("%1 %2").arg(Hex2(reply.bits), lit.join(' ')).trimmed());
    return QJsonObject{{"bits", Hex2(reply.bits)}, {"lit", QJsonArray::fromStringList(lit)}};
  };
  const QString silent = serial ? QStringLiteral("no reply to the LED request")
                                : QStringLiteral("no reply within %1 s").arg(UnitLink::kLedWaitS);
  if (!inv.Has(QStringLiteral("--watch"))) {
    const auto reading = readOnce();
    if (!reading) return out.Fail(silent);
    out.Document(*reading);
    return Exit::Ok;
  }

  // Every second until interrupted; with --json one object a line.
  bool stop = false;
  if (::pipe(gSignalPipe) != 0) return out.Fail(QStringLiteral("cannot watch for signals"));
  QSocketNotifier notifier(gSignalPipe[0], QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, [&] { stop = true; });
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  while (!stop) {
    const quint32 start = TickCount();
    const auto reading = readOnce();
    if (!reading) return out.Fail(silent);
    out.Document(*reading);
    const int spent = static_cast<int>(TickCount() - start);
    PumpUntil([&] { return stop; }, std::max(0, kWatchPeriodMs - spent));
  }
  return Exit::Ok;
}

Exit Reboot(const Invocation& inv, const Output& out) {
  if (!inv.Has(QStringLiteral("--yes")))
    return out.Usage(QStringLiteral("reboot restarts the unit: confirm with --yes"));
  UnitLink link;
  if (const QString error = Connect(inv, inv.args[0], link); !error.isEmpty()) return out.Fail(error);
  if (!link.RebootUnit(true)) return out.Fail(QStringLiteral("no reply within %1 s").arg(UnitLink::kRebootWaitS));
  return out.Success(QStringLiteral("rebooted"), QJsonObject{{"rebooted", true}});
}

// The dotted address of an option, or the reason it is none.
std::optional<std::array<quint8, 4>> AddressOption(const Invocation& inv, const QString& option, QString* error) {
  const QString text = inv.Value(option);
  const QStringList parts = text.split('.');
  std::array<quint8, 4> bytes{};
  bool ok = parts.size() == 4;
  for (int i = 0; ok && i < 4; ++i) {
    const int v = parts[i].toInt(&ok);
    ok = ok && v >= 0 && v <= 255 && !parts[i].isEmpty() && parts[i].size() <= 3;
    if (ok) bytes[static_cast<size_t>(i)] = static_cast<quint8>(v);
  }
  if (!inv.Has(option))
    *error = QStringLiteral("%1 is required").arg(option);
  else if (!ok)
    *error = QStringLiteral("%1 needs a dotted address, not \"%2\"").arg(option, text);
  else
    return bytes;
  return std::nullopt;
}

std::optional<quint8> OnOffOption(const Invocation& inv, const QString& option, quint8 fallback, QString* error) {
  if (!inv.Has(option)) return fallback;
  const QString v = inv.Value(option).toLower();
  if (v == QLatin1String("on")) return 1;
  if (v == QLatin1String("off")) return 0;
  *error = QStringLiteral("%1 needs on or off").arg(option);
  return std::nullopt;
}

QString Dotted(const std::array<quint8, 4>& a) {
  return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}

struct NetworkValues {
  std::array<quint8, 4> ip, mask, gateway;
  quint8 dhcp = 0, ethernet = 1;
};

std::optional<NetworkValues> NetworkOptions(const Invocation& inv, QString* error) {
  NetworkValues v;
  const auto ip = AddressOption(inv, QStringLiteral("--ip"), error);
  if (!ip) return std::nullopt;
  const auto mask = AddressOption(inv, QStringLiteral("--mask"), error);
  if (!mask) return std::nullopt;
  const auto gateway = AddressOption(inv, QStringLiteral("--gateway"), error);
  if (!gateway) return std::nullopt;
  const auto dhcp = OnOffOption(inv, QStringLiteral("--dhcp"), 0, error);
  if (!dhcp) return std::nullopt;
  const auto ethernet = OnOffOption(inv, QStringLiteral("--ethernet"), 1, error);
  if (!ethernet) return std::nullopt;
  v.ip = *ip;
  v.mask = *mask;
  v.gateway = *gateway;
  v.dhcp = *dhcp;
  v.ethernet = *ethernet;
  return v;
}

Exit SetIp(const Invocation& inv, const Output& out) {
  static const QRegularExpression mac(QStringLiteral("^[0-9A-Fa-f]{2}([-:][0-9A-Fa-f]{2}){5}$"));
  const QString macText = inv.args[0];
  if (!mac.match(macText).hasMatch())
    return out.Usage(QStringLiteral("not a MAC address: %1 (00-0A-1B-2C-3D-4E)").arg(macText));
  QString error;
  const auto values = NetworkOptions(inv, &error);
  if (!values) return out.Usage(error);
  if (!inv.Has(QStringLiteral("--yes")))
    return out.Usage(QStringLiteral("setip moves the unit to a new address: confirm with --yes"));

  DISCOVER_SET_IP_REQ request;
  request.MACAddress = macText.toUpper().replace(':', '-');
  const QString password = PasswordOption(inv).value_or(qEnvironmentVariable("KAYMOR_PASSWORD"));
  request.Password = password.isEmpty() ? QString::fromLatin1(kDefaultPassword) : password;
  request.DHCP = values->dhcp;
  request.IPAddress = Dotted(values->ip);
  request.SubnetMask = Dotted(values->mask);
  request.Gateway = Dotted(values->gateway);

  Corvel_Project::UDP udp;
  SetUpAsWindow(udp);
  if (udp.DiscoverySetIP(request)) return out.Success(QStringLiteral("OK"), QJsonObject{{"answer", "OK"}});
  const QString answer = request.Tag.toString();
  return out.Fail(answer.isEmpty() ? QStringLiteral("no unit with MAC address %1 answered").arg(request.MACAddress)
                                   : answer);
}

Exit SerialRead(const Invocation& inv, const Output& out) {
  SerialAdapter port;
  QString error;
  if (!OpenSerial(inv.args[0], port, &error)) return out.Fail(error);
  port.SetSettings(GetSetting(setting::DialogBaudRate));
  NetworkPage page(port);
  const auto block = page.Read();
  if (!block)
    return out.Fail(QStringLiteral("no answer on %1 at %2 baud").arg(port.DevicePath()).arg(port.BaudRate()));
  return out.Success(QStringLiteral("IP address: %1\nSubnet mask: %2\nGateway: %3\nDHCP: %4\nEthernet: %5")
                         .arg(block->ipAddress, block->subnetMask, block->gateway,
                              block->dhcpMode ? QStringLiteral("on") : QStringLiteral("off"),
                              block->ethernetMode ? QStringLiteral("on") : QStringLiteral("off")),
                     QJsonObject{{"ip", block->ipAddress},
                                 {"mask", block->subnetMask},
                                 {"gateway", block->gateway},
                                 {"dhcp", block->dhcpMode != 0},
                                 {"ethernet", block->ethernetMode != 0}});
}

Exit SerialWrite(const Invocation& inv, const Output& out) {
  QString error;
  const auto values = NetworkOptions(inv, &error);
  if (!values) return out.Usage(error);
  SerialAdapter port;
  if (!OpenSerial(inv.args[0], port, &error)) return out.Fail(error);
  port.SetSettings(GetSetting(setting::DialogBaudRate));
  NetworkPage page(port);
  if (!page.Write(values->ethernet, values->dhcp, values->ip, values->mask, values->gateway))
    return out.Fail(QStringLiteral("could not write to %1").arg(port.DevicePath()));
  page.Reboot();
  return out.Success(QStringLiteral("written"), QJsonObject{{"written", true}});
}

}  // namespace

Exit Run(const Invocation& inv, const Output& out) {
  switch (inv.entry->command) {
    case Command::Discover: return Discover(inv, out);
    case Command::Ping: return Ping(inv, out);
    case Command::Info: return Info(inv, out);
    case Command::Keys: return Keys(inv, out);
    case Command::Leds: return Leds(inv, out);
    case Command::Reboot: return Reboot(inv, out);
    case Command::SettingsGet: return SettingsGet(inv, out);
    case Command::SettingsSet: return SettingsSet(inv, out);
    case Command::SettingsDiff: return SettingsDiff(inv, out);
    case Command::ClockSync: return ClockSync(inv, out);
    case Command::SetIp: return SetIp(inv, out);
    case Command::SerialRead: return SerialRead(inv, out);
    case Command::SerialWrite: return SerialWrite(inv, out);
  }
  return Exit::Usage;
}

}  // namespace zam::ctl
