#pragma once
// The placed controls' persisted properties live in the settings store, one
// section per placed control (e.g. "frmZAMKeyboard.UDP1"), so an operator
// can set, say, a unit type filter there by hand.
#include <QString>

#include <corvel/propertybag.h>

class QObject;

namespace zam {

class SettingsPropertyBag : public PropertyBag {
 public:
  explicit SettingsPropertyBag(QString section) : section_(std::move(section)) {}
  QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const override;
  void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue) override;

 private:
  QString section_;
};

// Loads a Corvel control's properties from the section form + "." + its
// objectName; call right after creating it, before the form sets any.
void LoadControlProperties(QObject* control, const QString& form);

}  // namespace zam
