#include "frmAbout.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "appinfo.h"
#include "panellayout.h"
#include "pictures.h"
#include "version.h"
#include "twips.h"

namespace zam {

namespace {
constexpr int kWidth = Px(5760);
constexpr int kMargin = Px(240);
constexpr int kAppLogoSize = 48;

void CentreHorizontally(QWidget* w, int windowWidth) {
  w->move((windowWidth - w->width()) / 2, w->y());
}
}  // namespace

QString frmAbout::VersionLine(int major, int minor, int revision) {
  const QString two = QStringLiteral("%1.%2").arg(major).arg(minor, 2, 10, QLatin1Char('0'));
  return QStringLiteral("Version ") + two + QStringLiteral(" (Build ") + two +
         QStringLiteral(".%1)").arg(revision, 4, 10, QLatin1Char('0'));
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About"));
  setModal(true);
  const QString title = QString::fromLatin1(kProgramTitle);
  const int textLeft = kMargin + kAppLogoSize + kMargin;
  const int textWidth = kWidth - textLeft - kMargin;

  imgAppLogo = new QLabel(this);
  imgAppLogo->setObjectName(QStringLiteral("imgAppLogo"));
  imgAppLogo->setGeometry(kMargin, kMargin, kAppLogoSize, kAppLogoSize);
  QPixmap icon(PicturePath(QString::fromLatin1(layout::kIconPicture)));
  if (!icon.isNull())
    imgAppLogo->setPixmap(icon.scaled(kAppLogoSize, kAppLogoSize, Qt::KeepAspectRatio,
                                      Qt::SmoothTransformation));

  lblIntro = new QLabel(this);
  lblIntro->setObjectName(QStringLiteral("lblIntro"));
  QFont introFont(QStringLiteral("Serif"));
  introFont.setStyleHint(QFont::Serif);
  introFont.setPointSize(14);
  introFont.setBold(true);
  lblIntro->setFont(introFont);
  lblIntro->setGeometry(textLeft, kMargin, textWidth, Px(450));

  lblVersion = new QLabel(this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  lblVersion->setGeometry(textLeft, kMargin + Px(480), textWidth, Px(285));

  lblComments = new QLabel(this);
  lblComments->setObjectName(QStringLiteral("lblComments"));
  lblComments->setWordWrap(true);
  lblComments->setGeometry(textLeft, kMargin + Px(840), textWidth, Px(570));

  imgLogo = new QLabel(this);
  imgLogo->setObjectName(QStringLiteral("imgLogo"));
  imgLogo->setGeometry(0, kMargin + Px(1500), layout::kLogoWidthPx, layout::kLogoHeightPx);
  QPixmap logo(PicturePath(QString::fromLatin1(layout::kLogoPicture)));
  if (!logo.isNull()) {
    imgLogo->setPixmap(logo);
    imgLogo->resize(logo.size());
  }

  lblLegal = new QLabel(this);
  lblLegal->setObjectName(QStringLiteral("lblLegal"));
  lblLegal->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  lblLegal->setWordWrap(true);
  lblLegal->setGeometry(0, imgLogo->geometry().bottom() + 1 + Px(120), kWidth - 2 * kMargin,
                        Px(450));

  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  const int okTop = lblLegal->geometry().bottom() + 1 + Px(120);
  cmdOK->setGeometry(kWidth - kMargin - Px(1260), okTop, Px(1260), Px(375));
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
  setFixedSize(kWidth, okTop + Px(375) + kMargin);

  lblIntro->setText(title);
  setWindowTitle(windowTitle() + QLatin1Char(' ') + title);
  lblVersion->setText(
      VersionLine(KAYMOR_VERSION_MAJOR, KAYMOR_VERSION_MINOR, KAYMOR_VERSION_REVISION));
  lblComments->setText(QStringLiteral(KAYMOR_COMMENTS));
  lblLegal->setText(QStringLiteral(KAYMOR_LEGAL));
  CentreHorizontally(lblLegal, width());
  CentreHorizontally(imgLogo, width());
}

void frmAbout::ShowAbout(QWidget* parent) {
  frmAbout box(parent);
  box.exec();
}

void frmAbout::showEvent(QShowEvent* event) {
  if (!placed_) {
    placed_ = true;
    // Just below the main window's top edge, centred on the screen.
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* s = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect area = s ? s->geometry() : QRect(0, 0, width(), height());
    const int top = owner ? owner->frameGeometry().top() + Px(500) : y();
    move(area.left() + (area.width() - width()) / 2, top);
  }
  QDialog::showEvent(event);
}

}  // namespace zam
