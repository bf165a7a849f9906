#include "controlproperties.h"

#include <corvel/corvel_comboblock.h>
#include <corvel/corvel_udp.h>
#include "settingsstore.h"

namespace zam {

QVariant SettingsPropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const {
  // A missing key and an empty value differ for a text property: the
  // marker tells them apart without a second read.
  static const QString kMissing = QStringLiteral("\x01missing");
  const QString text = GetSetting(section_, name, kMissing);
  if (text == kMissing) return defaultValue;
  QVariant value(text);
  if (defaultValue.isValid() && !value.convert(defaultValue.metaType())) return defaultValue;
  return value;
}

void SettingsPropertyBag::WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue) {
  if (value == defaultValue) DeleteSetting(section_, name);
  else SaveSetting(section_, name, value.toString());
}

void LoadControlProperties(QObject* control, const QString& form) {
  if (!control) return;
  const SettingsPropertyBag bag(form + QLatin1Char('.') + control->objectName());
  if (auto* udp = qobject_cast<Corvel_Project::UDP*>(control)) udp->ReadProperties(bag);
  else if (auto* combo = qobject_cast<Corvel_Project::ComboBlock*>(control)) combo->ReadProperties(bag);
}

}  // namespace zam
