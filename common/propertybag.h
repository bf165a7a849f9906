// The host's property bag: where a control keeps its persisted properties.
// An interface only, so that both control libraries can use it without
// linking anything of the host.
#ifndef ZAM_PROPERTYBAG_H
#define ZAM_PROPERTYBAG_H

#include <QString>
#include <QVariant>

namespace zam {

/// Implemented by the host; a control reads its persisted properties from it
/// with ReadProperties and stores them with WriteProperties.
class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  /// The stored value, or defaultValue when the name is not stored.
  virtual QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const = 0;
  /// Stores value; a value equal to defaultValue is removed instead of stored.
  virtual void WriteProperty(const QString& name, const QVariant& value,
                             const QVariant& defaultValue) = 0;
};

}  // namespace zam

#endif  // ZAM_PROPERTYBAG_H
