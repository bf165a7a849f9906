#pragma once
// The keyboard window connected to the unit simulator over one link, with
// the pictured keys pressed through their handlers and the codes the unit
// received read back from the simulator's log.
#include <QImage>
#include <QPainter>
#include <QTest>
#include <chrono>
#include <memory>

#include "eventpump.h"
#include "frmZAMKeyboard.h"
#include "kaymortest.h"
#include "ModSPIKeys.h"
#include "keypanel.h"
#include "panelhost.h"
#include "panellayout.h"
#include "pckeyboard.h"
#include "pictures.h"
#include "settingsstore.h"

namespace paneltest {

using kaymortest::TempRoot;

// The window's pictured keys, its PC keyboard poll, and what they reach the
// window through: the tests reach them only here.
inline zam::KeyPanel& PanelOf(const zam::frmZAMKeyboard& w) { return *w.Panel; }
inline zam::PcKeyboard& PcKeyboardOf(const zam::frmZAMKeyboard& w) { return *w.PCKeyboard; }
inline zam::PanelHost& HostOf(const zam::frmZAMKeyboard& w) { return w.KeysHost(); }

// One received key code and when the unit logged it (steady clock, us).
struct Received {
  int code;
  qint64 tUs;
};

inline qint64 NowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Draws a small picture for every file the program loads, so that picture
// changes are seen in the keys' "picture" property.
inline bool MakePictures() {
  zam::SetPictureRoot(TempRoot());
  QDir().mkpath(TempRoot() + "/Images");
  for (const zam::layout::PictureFile& f : zam::layout::PictureFiles()) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(qHash(QByteArray(f.path)) % 360, 200, 200));
    if (!image.save(TempRoot() + '/' + f.path)) return false;
  }
  return true;
}

// A code the panel never sends: it marks the end of what an action sent.
inline constexpr zam::KeyPair kSentinel{zam::VMACRO_KEY, zam::SPI4_WASH};

class Session {
 public:
  // link: "tcp" or "serial".
  bool Start(const QString& link, bool debug) {
    link_ = link;
    debug_ = debug;
    kaymortest::ResetSettings();
    if (!sim.Start({"--pty", "--type", "4", "--name", "Bench"})) return false;
    kaymortest::SeedTcpEntry(sim.tcpPort);
    zam::SaveSetting("Ports", "COM1", sim.pty);
    zam::SaveSetting("RS-232", "Port", "COM1");
    zam::SaveSetting("IPAddressList", "CommType", link == "tcp" ? "1" : "0");
    QStringList args{"kaymor"};
    if (debug) args << "/debug";
    if (!win.Load(args)) return false;
    win.w->tmrLEDStatus->stop();  // keeps the simulator's log to what the keys send
    return Connect();
  }
  bool Connect() {
    if (!win.w->IsConnected()) win.Click();
    return win.w->IsConnected();
  }
  const QString& Link() const { return link_; }
  bool Debug() const { return debug_; }
  zam::KeyPanel& Panel() { return PanelOf(*win.w); }
  zam::PictureKey* Key(const QString& name) { return Panel().Key(name); }

  // Every key code the unit received on this session's link.
  QList<Received> Keys() const {
    QList<Received> out;
    for (const QJsonObject& o : sim.Received(link_))
      if (o.contains("key")) out << Received{o.value("key").toInt(), o.value("t_us").toVariant().toLongLong()};
    return out;
  }
  // The code of a pair on this session's link.
  int Code(const zam::KeyPair& pair) const { return link_ == "tcp" ? pair.spi : pair.v; }

  // Runs action, then sends the sentinel and returns what arrived between.
  QList<Received> SentBy(const std::function<void()>& action) {
    const qsizetype before = Keys().size();
    action();
    HostOf(*win.w).SendKey(kSentinel);
    const int sentinel = Code(kSentinel);
    QList<Received> keys;
    QTest::qWaitFor(
        [&] {
          keys = Keys().mid(before);
          return !keys.isEmpty() && keys.last().code == sentinel;
        },
        5000);
    if (keys.isEmpty() || keys.last().code != sentinel) return {{-1, 0}};  // the sentinel never came
    keys.removeLast();
    return keys;
  }
  static QList<int> Codes(const QList<Received>& keys) {
    QList<int> out;
    for (const Received& r : keys) out << r.code;
    return out;
  }

  kaymortest::UnitSim sim;
  kaymortest::Window win;

 private:
  QString link_;
  bool debug_ = false;
};

}  // namespace paneltest
