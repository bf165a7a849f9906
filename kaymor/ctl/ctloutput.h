#pragma once
// What a command reports: lines of text, or one JSON document with --json.
// A failure writes its reason to standard error and, with --json, only
// {"error": reason} to standard output.
#include <QJsonValue>
#include <QString>

#include "ctlargs.h"

namespace zam::ctl {

class Output {
 public:
  explicit Output(bool json) : json_(json) {}
  bool Json() const { return json_; }

  // A line of text (text mode only).
  void Line(const QString& text) const;
  // The JSON document (JSON mode only), written at once.
  void Document(const QJsonValue& value) const;
  // Either: the text line, or the JSON value.
  Exit Success(const QString& text, const QJsonValue& value) const;

  Exit Fail(const QString& reason) const { return Report(Exit::Failed, reason); }
  Exit Usage(const QString& reason) const { return Report(Exit::Usage, reason); }

 private:
  Exit Report(Exit code, const QString& reason) const;
  bool json_;
};

}  // namespace zam::ctl
