#include "ctloutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace zam::ctl {

namespace {
void Write(FILE* stream, const QByteArray& bytes) {
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
  std::fflush(stream);
}
}  // namespace

void Output::Line(const QString& text) const {
  if (!json_) Write(stdout, text.toLocal8Bit() + '\n');
}

void Output::Document(const QJsonValue& value) const {
  if (!json_) return;
  QJsonDocument doc;
  if (value.isArray())
    doc = QJsonDocument(value.toArray());
  else
    doc = QJsonDocument(value.toObject());
  Write(stdout, doc.toJson(QJsonDocument::Compact) + '\n');
}

Exit Output::Success(const QString& text, const QJsonValue& value) const {
  if (json_)
    Document(value);
  else if (!text.isEmpty())
    Line(text);
  return Exit::Ok;
}

Exit Output::Report(Exit code, const QString& reason) const {
  Write(stderr, "kaymorctl: " + reason.toLocal8Bit() + '\n');
  if (json_) Document(QJsonObject{{QStringLiteral("error"), reason}});
  return code;
}

}  // namespace zam::ctl
