#include "unitsimrun.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QtDebug>
#include <QTest>

#include "PingIP.h"
#include "eventpump.h"

UnitSim::~UnitSim() { Stop(); }

QStringList UnitSim::LogArgs() const {
  return {QStringLiteral("--log"), dir_.filePath(QStringLiteral("unit.log"))};
}

bool UnitSim::Start(const QStringList& args) {
  owned_ = std::make_unique<QProcess>();
  owned_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  owned_->start(QStringLiteral(UNITSIM_PATH), args + LogArgs());
  return Adopt(owned_.get());
}

bool UnitSim::Adopt(QProcess* process) {
  process_ = process;
  return WaitReady();
}

bool UnitSim::WaitReady() {
  const bool ready = QTest::qWaitFor(
      [this] {
        output_ += QString::fromLocal8Bit(process_->readAllStandardOutput());
        return output_.contains(QLatin1String("ready")) ||
               process_->state() == QProcess::NotRunning;
      },
      10000);
  const auto m = QRegularExpression(QStringLiteral(R"(tcp: [^\s]+:(\d+))")).match(output_);
  if (m.hasMatch()) tcpPort_ = static_cast<quint16>(m.captured(1).toUInt());
  if (!ready || !output_.contains(QLatin1String("ready"))) {
    qWarning() << "unitsim did not start:" << output_;
    return false;
  }
  return true;
}

void UnitSim::Stop() {
  if (!process_ || process_->state() == QProcess::NotRunning) return;
  process_->terminate();
  if (!process_->waitForFinished(3000)) {
    process_->kill();
    process_->waitForFinished(3000);
  }
}

QList<QJsonObject> UnitSim::Log() const {
  QList<QJsonObject> lines;
  QFile file(dir_.filePath(QStringLiteral("unit.log")));
  if (!file.open(QIODevice::ReadOnly)) return lines;
  while (!file.atEnd()) {
    const QByteArray line = file.readLine().trimmed();
    if (!line.isEmpty()) lines << QJsonDocument::fromJson(line).object();
  }
  return lines;
}

QList<QByteArray> UnitSim::Messages(const QString& link, const QString& dir,
                                    const QByteArray& prefix) const {
  QList<QByteArray> found;
  for (const QJsonObject& line : Log()) {
    if (line.value(QLatin1String("link")).toString() != link ||
        line.value(QLatin1String("dir")).toString() != dir)
      continue;
    const QByteArray hex = line.value(QLatin1String("hex")).toString().toLatin1();
    if (hex.startsWith(prefix)) found << QByteArray::fromHex(hex);
  }
  return found;
}

bool CanPingLoopback() {
  QString a = QStringLiteral("127.0.0.1");
  return zam::PingAddress(a).contains(QLatin1String("IP Success"));
}
