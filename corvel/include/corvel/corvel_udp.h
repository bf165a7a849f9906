// The UDP control: finds the units on the LAN by broadcast and sends one of
// them new IP settings.
#ifndef CORVEL_UDP_H
#define CORVEL_UDP_H

#include <corvel/corvel_global.h>
#include <corvel/propertybag.h>
#include <corvel/records.h>

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

/// The controls of the Corvel library.
namespace Corvel_Project {

/// Discovery of the units on the local network ("Corvel_Project.UDP").
/// Both calls run to their end before they return, handling the host's
/// events meanwhile.
class CORVEL_EXPORT UDP : public QObject {
  Q_OBJECT
  /// Unit types listed, as tokens such as "0x81" joined by ";"; empty lists every type.
  Q_PROPERTY(QString UnitIDFilter READ UnitIDFilter WRITE SetUnitIDFilter)
  /// The port the units listen on for discovery.
  Q_PROPERTY(qint32 RemotePort READ RemotePort WRITE SetRemotePort)
  /// 1 while a discovery or a set-IP request runs, else 0.
  Q_PROPERTY(quint8 State READ State)

 public:
  static constexpr qint32 kDefaultRemotePort = 8092;  ///< RemotePort of a new control.
  static constexpr quint16 kLocalPort = 8090;         ///< The port replies come to.
  static constexpr int kRequestsPerAddress = 5;       ///< Requests from each local address.
  static constexpr int kRequestGapMs = 1000;          ///< Time between two requests.
  /// UnitIDFilter of a new control.
  static inline const QString kDefaultUnitIDFilter = QStringLiteral("0x80;0x81;0x82;0x83");

  /// Creates the control with the default properties.
  explicit UDP(QObject* parent = nullptr);
  ~UDP() override;

  /// Runs one discovery (five requests a second apart from each local address) and fills
  /// UnitList with every unit that answered, each serial number once; raises Discovered
  /// for each new unit.
  void Discovery(QList<zam::DISCOVER_UDP_INFO>& UnitList);
  /// Sends UnitIP's settings to the unit with its MACAddress; true when the unit confirmed,
  /// otherwise UnitIP.Tag holds the unit's reply text (empty: no answer). Raises no event.
  bool DiscoverySetIP(zam::DISCOVER_SET_IP_REQ& UnitIP);

  /// The unit types listed by Discovery. Raises no event.
  QString UnitIDFilter() const;
  /// Sets the unit types listed by Discovery; raises PropertyChanged("UnitIDFilter").
  void SetUnitIDFilter(const QString& filter);
  /// The port requests are sent to. Raises no event.
  qint32 RemotePort() const;
  /// Sets the port requests are sent to; raises PropertyChanged("RemotePort").
  void SetRemotePort(qint32 port);
  /// 1 while a request series runs, else 0. Raises no event.
  quint8 State() const;
  /// Discovery requests sent from each local address, a second apart (kRequestsPerAddress
  /// unless set). Raises no event.
  int RequestsPerAddress() const;
  /// Sets the requests sent from each local address by Discovery (at least 1). Raises no
  /// event.
  void SetRequestsPerAddress(int count);

  /// Takes RemotePort and UnitIDFilter from the host's bag (defaults when missing). Raises no
  /// event.
  void ReadProperties(const zam::PropertyBag& bag);
  /// Stores RemotePort and UnitIDFilter in the host's bag. Raises no event.
  void WriteProperties(zam::PropertyBag& bag) const;

 signals:
  /// A new unit answered Discovery; UnitCount is the number listed so far.
  void Discovered(qint16 UnitCount);
  /// A persisted property was set; the host saves its property bag later.
  void PropertyChanged(const QString& Name);

 private:
  class Private;
  std::unique_ptr<Private> d;
};

}  // namespace Corvel_Project

#endif  // CORVEL_UDP_H
