// Lists the units on the local network: one discovery with the UDP control,
// then a line per unit that answered.
#include <corvel/corvel_udp.h>

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);

  Corvel_Project::UDP udp;
  // An empty filter lists every type of unit, not only the keyboard's own.
  if (app.arguments().contains(QStringLiteral("--all"))) udp.SetUnitIDFilter(QString());
  QObject::connect(&udp, &Corvel_Project::UDP::Discovered, [&out](qint16 count) {
    out << "found " << count << (count == 1 ? " unit" : " units") << " so far\n";
    out.flush();
  });

  out << "Searching the local network (about "
      << Corvel_Project::UDP::kRequestsPerAddress * Corvel_Project::UDP::kRequestGapMs / 1000
      << " s per local address)...\n";
  out.flush();
  QList<zam::DISCOVER_UDP_INFO> units;
  udp.Discovery(units);

  for (const zam::DISCOVER_UDP_INFO& unit : units)
    out << unit.IPAddress << '\t' << unit.UnitIDStr << '\t' << unit.ModelName << '\t'
        << unit.SerialNo << '\t' << unit.MACAddress << "\tversion " << unit.Version
        << "\tport " << unit.ListenPort << '\n';
  out << units.size() << (units.size() == 1 ? " unit" : " units") << " found\n";
  return 0;
}
