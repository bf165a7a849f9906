#include "frmKeyboardMap.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "pckeymap.h"

namespace zam {

frmKeyboardMap::frmKeyboardMap(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmKeyboardMap"));
  setWindowTitle(QStringLiteral("Keyboard Map"));

  lblKeyboard = new QLabel(this);
  lblKeyboard->setObjectName(QStringLiteral("lblKeyboard"));
  lstKeys = new QTreeWidget(this);
  lstKeys->setObjectName(QStringLiteral("lstKeys"));
  lstKeys->setColumnCount(2);
  lstKeys->setHeaderLabels({QStringLiteral("PC key"), QStringLiteral("Key it presses")});
  lstKeys->setRootIsDecorated(false);
  lstKeys->setSelectionMode(QAbstractItemView::NoSelection);
  lstKeys->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  lblRules = new QLabel(this);
  lblRules->setObjectName(QStringLiteral("lblRules"));
  lblRules->setWordWrap(true);
  cmdClose = new QPushButton(QStringLiteral("&Close"), this);
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  cmdClose->setDefault(true);
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblKeyboard);
  layout->addWidget(lstKeys, 1);
  layout->addWidget(lblRules);
  layout->addWidget(cmdClose, 0, Qt::AlignRight);
  resize(420, 620);
}

void frmKeyboardMap::ShowKeyboard(int unitType) {
  unitType_ = unitType == 4 ? 4 : 1;
  lblKeyboard->setText(QStringLiteral("Keyboard of unit type %1:").arg(unitType_));
  lstKeys->clear();
  for (const PcKeyMapRow& row : PcKeyMap(unitType_))
    lstKeys->addTopLevelItem(new QTreeWidgetItem(QStringList{row.pcKey, row.picturedKey}));
  lblRules->setText(PcKeyHoldRules(unitType_).join(QLatin1Char('\n')));
}

}  // namespace zam
