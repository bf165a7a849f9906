#include "pckeymap.h"

#include <QStringList>

#include "panellayout.h"

namespace zam {

namespace {

// "Record [R]" gives "Record": the tooltips name the key, then the PC key.
QString NameOf(const char* tooltip) {
  return QString::fromLatin1(tooltip).section(QStringLiteral(" ["), 0, 0).trimmed();
}

QString PicturedKeyName(const PcKeyBinding& binding, const char* objectName) {
  if (binding.arrowRegion >= 0) {
    for (const layout::ArrowRegion& r : layout::kArrowRegions)
      if (r.direction == binding.arrowRegion) return NameOf(r.tooltip);
  }
  const layout::KeyPicture* key = layout::FindKey(objectName);
  return key ? NameOf(key->tooltip) : QString::fromLatin1(objectName);
}

}  // namespace

const PcKeyBinding* FindPcKeyBinding(int virtualKey) {
  for (const PcKeyBinding& b : kPcKeyBindings)
    if (b.virtualKey == virtualKey) return &b;
  return nullptr;
}

const char* PcKeyTarget(const PcKeyBinding& binding, int unitType) {
  return unitType == 4 ? binding.keyType4 : binding.keyType1;
}

QList<PcKeyMapRow> PcKeyMap(int unitType) {
  QList<PcKeyMapRow> rows;
  for (const PcKeyBinding& b : kPcKeyBindings) {
    const char* target = PcKeyTarget(b, unitType);
    if (!target) continue;
    rows.append({QString::fromLatin1(b.pcKey), PicturedKeyName(b, target)});
  }
  return rows;
}

QStringList PcKeyHoldRules(int unitType) {
  QStringList rules;
  rules << QStringLiteral("Arrow keys: a tap sends the key once; held %1 ms or longer, it repeats until released.")
               .arg(kPcKeyHoldMs);
  if (unitType == 4)
    rules << QStringLiteral("A: a tap presses Alarm; held %1 ms or longer, it sets alarm mode.").arg(kPcKeyHoldMs);
  rules << QStringLiteral("Ctrl+R: reboots the unit.");
  rules << QStringLiteral("The keys act while the keyboard window is active and a unit is connected.");
  return rules;
}

}  // namespace zam
