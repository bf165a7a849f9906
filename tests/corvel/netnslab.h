#pragma once
// Network namespaces a test builds for itself: nothing it sends can leave
// them. Root only; every namespace is deleted when the lab goes away.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class NetnsLab {
 public:
  // Empty when a lab can be built here, else the reason (for QSKIP).
  static QString Unavailable();

  NetnsLab();
  ~NetnsLab();
  NetnsLab(const NetnsLab&) = delete;
  NetnsLab& operator=(const NetnsLab&) = delete;

  // Creates the namespace of a role ("A", "B", ...) with its loopback up.
  bool Add(const QString& role);
  QString Name(const QString& role) const;

  // Runs a command inside a role's namespace; false (and a warning) on failure.
  bool Run(const QString& role, const QStringList& command, QString* output = nullptr);
  // `ip` inside a role's namespace, e.g. Ip("A", "addr add 10.77.0.1/24 dev a0").
  bool Ip(const QString& role, const QString& args);
  bool Sysctl(const QString& role, const QString& key, const QString& value);
  // A veth pair between two roles, addresses in CIDR form, both ends up.
  bool Link(const QString& roleA, const QString& ifA, const QString& addrA,
            const QString& roleB, const QString& ifB, const QString& addrB);

  // The role hub with a bridge br0 at hubAddress (CIDR) and the roles U1 ..
  // Un, each on a veth port of it (u1 .. un) with e0 at unitPrefix + i,
  // e.g. Bridge("K", "10.78.0.1/24", "10.78.0.1", 2) gives 10.78.0.11 and .12.
  bool Bridge(const QString& hub, const QString& hubAddress, const QString& unitPrefix, int units);

  // Sockets this thread opens from now on belong to the role's namespace.
  bool Enter(const QString& role);
  void Leave();

  // Starts a program inside a role's namespace; the lab ends it at the latest.
  QProcess* Start(const QString& role, const QString& program, const QStringList& args);
  void Stop(QProcess* process);

 private:
  static void RemoveStale();
  QString prefix_;
  QStringList created_;
  int home_ = -1;  // the thread's own namespace
  std::vector<std::unique_ptr<QProcess>> processes_;
};
