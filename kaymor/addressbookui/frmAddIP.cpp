#include "frmAddIP.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

#include "PingIP.h"
#include "busycursor.h"
#include "addresslist.h"
#include <dotquad/dotquad.h>
#include "fieldfilter.h"
#include "msgbox.h"
#include "twips.h"

namespace zam {

QString NewAddressEntry;

namespace {


struct FieldSetup {
  const char* label;
  int maxLength;
  const char* initial;
  const char* tag;
  FieldFilter::Kind filter;
};
constexpr FieldSetup kFields[4] = {
    {"&Model:", 20, "", "Model", FieldFilter::Model},
    {"&Serial Number:", 20, "", "Serial Number", FieldFilter::Serial},
    {"&Password:", 4, "", "", FieldFilter::Digits},
    {"Port &Number:", 5, "1024", "Port Number", FieldFilter::Digits},
};
constexpr int kModel = 0, kSerial = 1, kPassword = 2, kPort = 3;

const QString kTrail = QStringLiteral("    ");

}  // namespace

frmAddIP::frmAddIP(const QStringList& addressBoxItems, QWidget* parent)
    : QDialog(parent), items_(addressBoxItems) {
  NewAddressEntry.clear();
  setObjectName(QStringLiteral("frmAddIP"));
  setWindowTitle(QStringLiteral("Add IP Address"));
  setModal(true);

  // Created in tab order: address, the four text boxes, OK, Cancel.
  const int labelLeft = Px(240), fieldLeft = Px(1800), rowTop = Px(240), rowStep = Px(480);
  const int labelWidth = fieldLeft - labelLeft - Px(120);
  lblField[0] = new QLabel(QStringLiteral("&IP Address:"), this);
  lblField[0]->setObjectName(QStringLiteral("lblIPAddress"));
  lblField[0]->setGeometry(labelLeft, rowTop, labelWidth, Px(330));
  dqNewIPAddress = CreateDotquadControl(QStringLiteral("DotquadLib.Dotquad"), this);
  if (dqNewIPAddress) {
    dqNewIPAddress->setObjectName(QStringLiteral("dqNewIPAddress"));
    dqNewIPAddress->move(fieldLeft, rowTop);
    lblField[0]->setBuddy(dqNewIPAddress);
  }

  for (int i = 0; i < 4; ++i) {
    const FieldSetup& f = kFields[i];
    const int top = rowTop + (i + 1) * rowStep;
    lblField[i + 1] = new QLabel(QString::fromLatin1(f.label), this);
    lblField[i + 1]->setObjectName(QStringLiteral("lblModel(%1)").arg(i));
    lblField[i + 1]->setGeometry(labelLeft, top, labelWidth, Px(330));
    QLineEdit* box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("txtModel(%1)").arg(i));
    box->setProperty("Tag", QString::fromLatin1(f.tag));
    box->setMaxLength(f.maxLength);
    box->setValidator(new FieldFilter(f.filter, box));
    box->setText(QString::fromLatin1(f.initial));
    box->setGeometry(fieldLeft, top, i < kPassword ? Px(2130) : Px(900), Px(330));
    lblField[i + 1]->setBuddy(box);
    // Masked, as in the main window.
    if (i == kPassword) box->setEchoMode(QLineEdit::Password);
    txtModel[i] = box;
  }

  const int buttonTop = rowTop + 5 * rowStep + Px(120);
  cmdOK = new QPushButton(QStringLiteral("&OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  cmdOK->setGeometry(Px(1080), buttonTop, Px(1200), Px(375));
  cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel->setGeometry(Px(2520), buttonTop, Px(1200), Px(375));
  connect(cmdOK, &QPushButton::clicked, this, &frmAddIP::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmAddIP::cmdCancel_Click);

  setFixedSize(fieldLeft + Px(2130) + Px(240), buttonTop + Px(375) + Px(240));
}

QString frmAddIP::AddAddress(QWidget* parent, const QStringList& addressBoxItems) {
  frmAddIP dialog(addressBoxItems, parent);
  dialog.exec();
  return NewAddressEntry;
}

QString frmAddIP::AddAddress(QWidget* parent, const QComboBox* addressBox) {
  QStringList items;
  if (addressBox)
    for (int i = 0; i < addressBox->count(); ++i) items << addressBox->itemText(i);
  return AddAddress(parent, items);
}

QString frmAddIP::Address() const {
  // What the field shows, not its last complete address: after a part was
  // erased that would be an address the operator no longer sees.
  const auto* dq = qobject_cast<const DotquadLib::Dotquad*>(dqNewIPAddress);
  if (!dq) return QString();
  const QStringList parts = dq->PartAddress();
  for (const QString& part : parts)
    if (part.isEmpty()) return QString();
  return parts.join(QLatin1Char('.'));
}

bool frmAddIP::Refuse(const QString& title, const QString& text) {
  MsgBox(this, text, MsgButtons::Ok, MsgIcon::Exclamation, title);
  return false;
}

void frmAddIP::cmdOK_Click() {
  // The ping lets events run: a second click must not start a second check.
  if (checking_) return;
  checking_ = true;
  const auto done = qScopeGuard([this] { checking_ = false; });

  QString address = Address();
  // An incomplete address is refused before any echo is sent.
  bool badFormat = address.isEmpty();
  if (!badFormat) {
    const QString result = [&] {
      const BusyCursor busy;
      return PingAddress(address);
    }();
    if (result.contains(QLatin1Char('['))) {
      const QString status = result.section(QLatin1Char('['), 0, 0).trimmed();
      // Only a malformed address stops here; a unit that does not answer is fine.
      badFormat = status == QLatin1String("11018") || status == QLatin1String("-1");
    }
  }
  if (badFormat) {
    Refuse(QStringLiteral("IP Address"), QStringLiteral("Bad IP address format.") + kTrail);
    return;
  }

  for (int i : {kModel, kSerial, kPort}) {
    // Blanks alone would leave an empty field in the entry.
    if (txtModel[i]->text().trimmed().isEmpty()) {
      const QString tag = QString::fromLatin1(kFields[i].tag);
      Refuse(tag, tag + QStringLiteral(" cannot be blank.") + kTrail);
      return;
    }
  }
  // The port box takes five characters: 0, 70000 or "-" are no TCP port.
  bool portOk = false;
  const int port = txtModel[kPort]->text().toInt(&portOk);
  if (!portOk || port < 1 || port > 65535) {
    Refuse(QStringLiteral("Port Number"),
           QStringLiteral("Port Number must be between 1 and 65535.") + kTrail);
    return;
  }

  // Each listed unit's own fields, whole: a part of another address, a
  // model or a command item ("Add") is no duplicate.
  const QString serial = txtModel[kSerial]->text().trimmed();
  for (const QString& item : std::as_const(items_)) {
    const QStringList fields = item.split(QLatin1Char(','));
    if (fields.size() < 3) continue;  // the separator and the commands
    if (fields[0].trimmed() == address) {
      Refuse(QStringLiteral("IP Address Duplication"),
             address + QStringLiteral(" is already existing.") + kTrail);
      return;
    }
    if (fields[2].trimmed().compare(serial, Qt::CaseInsensitive) == 0) {
      Refuse(QStringLiteral("Serial Number Duplication"),
             serial + QStringLiteral(" is already existing.") + kTrail);
      return;
    }
  }

  if (txtModel[kPassword]->text().isEmpty()) {
    // The default password has letters, which the typing filter would drop.
    QLineEdit* box = txtModel[kPassword];
    const QValidator* filter = box->validator();
    box->setValidator(nullptr);
    box->setText(QString::fromLatin1(kDefaultPassword));
    box->setValidator(filter);
  }

  QString entry = address;
  for (const QLineEdit* box : txtModel) entry += QLatin1Char(',') + box->text().trimmed();
  NewAddressEntry = entry;
  accept();
}

void frmAddIP::cmdCancel_Click() { reject(); }

}  // namespace zam
