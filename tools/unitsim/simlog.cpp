#include "simlog.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <chrono>

namespace unitsim {

namespace {

// One JSON value as compact text, through a one-element array.
QByteArray JsonText(const QJsonValue& value) {
  const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2);
}

}  // namespace

bool SimLog::Open(const QString& path, QString* error) {
  if (path.isEmpty()) return true;
  file_.setFileName(path);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
    *error = QStringLiteral("cannot write %1: %2").arg(path, file_.errorString());
    return false;
  }
  return true;
}

qint64 SimLog::NowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SimLog::Rx(const char* link, const QByteArray& bytes, const LogFields& fields) {
  if (!file_.isOpen()) return;
  LogFields all{{"t_us", QJsonValue(NowUs())}, {"link", QString::fromLatin1(link)},
                {"dir", "rx"}, {"hex", QString::fromLatin1(bytes.toHex(' '))}};
  Write(all + fields);
}

void SimLog::Tx(const char* link, const QByteArray& bytes, const LogFields& fields) {
  if (!file_.isOpen()) return;
  LogFields all{{"t_us", QJsonValue(NowUs())}, {"link", QString::fromLatin1(link)},
                {"dir", "tx"}, {"hex", QString::fromLatin1(bytes.toHex(' '))}};
  Write(all + fields);
}

void SimLog::Event(const char* link, const QString& name, const LogFields& fields) {
  if (!file_.isOpen()) return;
  LogFields all{{"t_us", QJsonValue(NowUs())}, {"link", QString::fromLatin1(link)}, {"event", name}};
  Write(all + fields);
}

void SimLog::Write(const LogFields& fields) {
  // Written by hand to keep the keys in this order (QJsonObject sorts them).
  QByteArray line = "{";
  for (qsizetype i = 0; i < fields.size(); ++i) {
    if (i) line += ',';
    line += JsonText(fields[i].first) + ':' + JsonText(fields[i].second);
  }
  line += "}\n";
  file_.write(line);
  file_.flush();
}

QString HexCode(quint32 value, int digits) {
  return QStringLiteral("0x") + QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

}  // namespace unitsim
