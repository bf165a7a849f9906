// The panel layout's data and the pictures the generator draws from it.
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>
#include <map>

#include "panellayout.h"
#include "datafolders.h"

namespace L = zam::layout;

namespace {

QString FileName(const char* path) { return QFileInfo(QString::fromLatin1(path)).fileName(); }

QString Str(const char* text) { return QString::fromLatin1(text); }

QRect KeyRect(const L::KeyPicture& k) { return QRect(k.left, k.top, k.width, k.height); }
QRect LedRect(const L::LedPicture& l) { return QRect(l.left, l.top, L::kLedSize, L::kLedSize); }

// Twips between two rectangles, 0 when they touch or overlap.
double Gap(const QRect& a, const QRect& b) {
  const int dx = std::max({0, a.left() - (b.left() + b.width()), b.left() - (a.left() + a.width())});
  const int dy = std::max({0, a.top() - (b.top() + b.height()), b.top() - (a.top() + a.height())});
  return std::hypot(dx, dy);
}

// The part of a hit region that lies inside the picture, in pixels.
QRect HitPixels(const L::HitRegion& hit, int width, int height) {
  const QRect r(QPoint(hit.x1 / L::kTwipsPerPixel, hit.y1 / L::kTwipsPerPixel),
                QPoint(hit.x2 / L::kTwipsPerPixel, hit.y2 / L::kTwipsPerPixel));
  return r.intersected(QRect(0, 0, width, height));
}

double MeanLuma(const QImage& img, const QRect& area) {
  double sum = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) sum += qGray(img.pixel(x, y));
  return sum / (area.width() * area.height());
}

struct Mean {
  double r = 0, g = 0, b = 0;
};

Mean MeanColour(const QImage& img, const QRect& area) {
  Mean m;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb c = img.pixel(x, y);
      m.r += qRed(c), m.g += qGreen(c), m.b += qBlue(c);
    }
  const double n = area.width() * area.height();
  return {m.r / n, m.g / n, m.b / n};
}

int RunArtwork(const QStringList& args) {
  QProcess p;
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.start(QStringLiteral(ARTWORK_PATH), args);
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return -1;
  return p.exitCode();
}

}  // namespace

class TestArtwork : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QImage Load(const char* path) const { return QImage(dir_.filePath(FileName(path))); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QCOMPARE(RunArtwork({dir_.path()}), 0);
  }

  // Every picture at its size, and at twice it under Qt's high-DPI name,
  // read back with a device pixel ratio of 2 and the same size in points.
  void pictureFiles_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("scale");
    for (const int scale : {1, 2})
      for (const L::PictureFile& f : L::PictureFiles())
        QTest::addRow("%s at %dx", f.path, scale) << Str(f.path) << QSize(f.width, f.height) << scale;
  }
  void pictureFiles() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(int, scale);
    QVERIFY(path.startsWith(QLatin1String("Images/")));
    const QString name = QFileInfo(path).fileName();
    const QString file = dir_.filePath(scale == 1 ? name : zam::ScaledPictureName(name, scale));
    QVERIFY2(QFileInfo::exists(file), qPrintable(file));
    const QImage img(file);
    QVERIFY(!img.isNull());
    QCOMPARE(img.size(), size * scale);
    QCOMPARE(img.devicePixelRatio(), qreal(scale));
    if (scale == 1) return;
    // The same drawing with more pixels: both brought down to half the
    // plain size (which evens out where a stroke fell on the pixel grid),
    // they agree.
    const QSize half = size / 2;
    const QImage a = img.scaled(half, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage b = QImage(dir_.filePath(name)).scaled(half, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double diff = 0;
    for (int y = 0; y < half.height(); ++y)
      for (int x = 0; x < half.width(); ++x) diff += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    diff /= half.width() * half.height();
    QVERIFY2(diff < 8, qPrintable(QStringLiteral("mean difference %1").arg(diff)));
  }

  // Drawn anew at 2x, not enlarged: the edges of the arrow pad and its
  // lettering are as steep as at 1x.
  void doubleSizeIsSharp() {
    const char* pad = nullptr;
    for (const L::KeyPicture& k : L::kKeys)
      if (L::SameText(k.control, "imgArrow")) pad = k.normal;
    QVERIFY(pad);
    const QImage plain = Load(pad);
    const QImage doubled(dir_.filePath(zam::ScaledPictureName(FileName(pad), 2)));
    const QImage enlarged = plain.scaled(doubled.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    auto steepness = [](const QImage& img) {
      // The mean of the steepest tenth of the steps between neighbours.
      std::vector<int> steps;
      for (int y = 0; y < img.height(); ++y)
        for (int x = 1; x < img.width(); ++x) steps.push_back(std::abs(qGray(img.pixel(x, y)) - qGray(img.pixel(x - 1, y))));
      std::sort(steps.begin(), steps.end(), std::greater<int>());
      const size_t n = steps.size() / 10;
      return std::accumulate(steps.begin(), steps.begin() + n, 0.0) / n;
    };
    const double sharp = steepness(doubled), soft = steepness(enlarged);
    QVERIFY2(sharp > soft * 1.3, qPrintable(QStringLiteral("%1 vs %2 enlarged").arg(sharp).arg(soft)));
  }

  // Where the operator clicks, the pressed picture is clearly darker, at
  // either size.
  void pressedLooksPressed_data() {
    QTest::addColumn<QString>("normal");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QRect>("area");
    for (const int scale : {1, 2}) {
      auto name = [scale](const char* path) {
        const QString file = QFileInfo(Str(path)).fileName();
        return scale == 1 ? file : zam::ScaledPictureName(file, scale);
      };
      auto scaled = [scale](const QRect& r) { return QRect(r.topLeft() * scale, r.size() * scale); };
      QSet<QString> seen;
      for (const L::KeyPicture& k : L::kKeys) {
        const int w = L::Px(k.width), h = L::Px(k.height);
        if (*k.pressed) {
          if (!seen.contains(Str(k.pressed)))
            QTest::addRow("%s at %dx", k.pressed, scale) << name(k.normal) << name(k.pressed) << scaled(HitPixels(k.hit, w, h));
          seen.insert(Str(k.pressed));
          continue;
        }
        for (const L::ArrowRegion& r : L::kArrowRegions) {
          if (!seen.contains(Str(r.pressed)))
            QTest::addRow("%s at %dx", r.pressed, scale) << name(k.normal) << name(r.pressed) << scaled(HitPixels(r.hit, w, h));
          seen.insert(Str(r.pressed));
        }
      }
    }
  }
  void pressedLooksPressed() {
    QFETCH(QString, normal);
    QFETCH(QString, pressed);
    QFETCH(QRect, area);
    const QImage up(dir_.filePath(normal));
    const QImage down(dir_.filePath(pressed));
    QVERIFY(!up.isNull() && !down.isNull());
    QCOMPARE(down.size(), up.size());
    QVERIFY(!area.isEmpty());
    const double lumaUp = MeanLuma(up, area), lumaDown = MeanLuma(down, area);
    QVERIFY2(lumaDown < lumaUp - 8, qPrintable(QStringLiteral("%1 vs %2").arg(lumaDown).arg(lumaUp)));
  }

  void ledsReadLitOrUnlit() {
    const QImage lit = Load(L::kLedLit), unlit = Load(L::kLedUnlit);
    QVERIFY(!lit.isNull() && !unlit.isNull());
    const int s = lit.width();
    const QRect centre(s / 2 - 2, s / 2 - 2, 4, 4);
    const Mean on = MeanColour(lit, centre), off = MeanColour(unlit, centre);
    QVERIFY2(on.r > 190 && on.r > on.g + 80 && on.r > on.b + 80, "lit LED is not bright red");
    QVERIFY2(off.r > 100 && std::abs(off.r - off.g) < 15 && std::abs(off.g - off.b) < 15,
             "unlit LED is not grey-white");
    QVERIFY(off.r < on.r);
  }

  // The same generator gives the same files, so a rebuild changes nothing.
  void outputIsReproducible() {
    QTemporaryDir again;
    QVERIFY(again.isValid());
    QCOMPARE(RunArtwork({again.path()}), 0);
    for (const L::PictureFile& f : L::PictureFiles())
      for (const QString& name : {FileName(f.path), zam::ScaledPictureName(FileName(f.path), 2)}) {
        QFile a(dir_.filePath(name)), b(again.filePath(name));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QVERIFY2(a.readAll() == b.readAll(), qPrintable(name));
      }
  }

  void badArgumentsFail_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no folder") << QStringList();
    QTest::newRow("two folders") << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("folder under a file") << QStringList{QStringLiteral("blocker/Images")};
  }
  void badArgumentsFail() {
    QFETCH(QStringList, args);
    QTemporaryDir tmp;
    QFile blocker(tmp.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    for (QString& a : args) a = tmp.filePath(a);
    QVERIFY(RunArtwork(args) > 0);
  }

  void namesFollowControlArrays() {
    QSet<QString> names;
    for (const L::KeyPicture& k : L::kKeys) {
      const QString expected = k.index < 0 ? Str(k.control) : QStringLiteral("%1(%2)").arg(Str(k.control)).arg(k.index);
      QCOMPARE(Str(k.objectName), expected);
      QVERIFY2(!names.contains(expected), k.objectName);
      names.insert(expected);
      QVERIFY(k.panel == 0 || k.panel == 1);
    }
    for (const L::LedPicture& l : L::kLeds) {
      QCOMPARE(Str(l.control), Str(l.panel == 0 ? "imgLED" : "imgLED4"));
      QCOMPARE(Str(l.objectName), QStringLiteral("%1(%2)").arg(Str(l.control)).arg(l.index));
      QVERIFY2(!names.contains(Str(l.objectName)), l.objectName);
      names.insert(Str(l.objectName));
    }
  }

  // A file shown by several keys is drawn once, so they must agree on its size.
  void sharedPicturesAgreeOnSize() {
    std::map<QString, QSize> sizes;
    auto check = [&sizes](const char* path, const QSize& size) {
      if (!*path) return true;
      const auto [it, added] = sizes.emplace(Str(path), size);
      return added || it->second == size;
    };
    for (const L::KeyPicture& k : L::kKeys) {
      const QSize size(k.width, k.height);
      QVERIFY2(check(k.normal, size) && check(k.pressed, size), k.objectName);
      if (!*k.pressed)
        for (const L::ArrowRegion& r : L::kArrowRegions) QVERIFY2(check(r.pressed, size), r.pressed);
    }
  }

  void panelsFitAndDoNotOverlap_data() {
    QTest::addColumn<int>("panel");
    QTest::newRow("type 1") << 0;
    QTest::newRow("type 4") << 1;
  }
  void panelsFitAndDoNotOverlap() {
    QFETCH(int, panel);
    const QRect panelRect(0, 0, L::kPanelWidth, L::kPanelHeight);
    QList<std::pair<QString, QRect>> shown;
    for (const L::KeyPicture& k : L::kKeys) {
      if (k.panel != panel) continue;
      QVERIFY2(panelRect.contains(KeyRect(k)), k.objectName);
      // Sizes convert to whole pixels, so a picture fills its key exactly.
      QVERIFY2(k.width % L::kTwipsPerPixel == 0 && k.height % L::kTwipsPerPixel == 0, k.objectName);
      shown.append({Str(k.objectName), KeyRect(k)});
    }
    for (const L::LedPicture& l : L::kLeds)
      if (l.panel == panel) {
        QVERIFY2(panelRect.contains(LedRect(l)), l.objectName);
        shown.append({Str(l.objectName), LedRect(l)});
      }
    for (int i = 0; i < shown.size(); ++i)
      for (int j = i + 1; j < shown.size(); ++j)
        QVERIFY2(!shown[i].second.intersects(shown[j].second),
                 qPrintable(shown[i].first + QStringLiteral(" overlaps ") + shown[j].first));
  }

  // Each LED row has the eight bits and the link LED, and a key's LED sits
  // closer to its own key than to any other.
  void ledRows_data() { panelsFitAndDoNotOverlap_data(); }
  void ledRows() {
    QFETCH(int, panel);
    QSet<int> indices;
    for (const L::LedPicture& l : L::kLeds) {
      if (l.panel != panel) continue;
      QVERIFY2(!indices.contains(l.index), l.objectName);
      indices.insert(l.index);
      if (!*l.key) {
        QVERIFY2(*l.label, l.objectName);
        continue;
      }
      const L::KeyPicture* own = L::FindKey(l.key);
      QVERIFY2(own && own->panel == panel && !own->hidden, l.objectName);
      const double ownGap = Gap(LedRect(l), KeyRect(*own));
      QVERIFY2(ownGap <= 150, l.objectName);
      for (const L::KeyPicture& k : L::kKeys)
        if (k.panel == panel && !k.hidden && &k != own)
          QVERIFY2(Gap(LedRect(l), KeyRect(k)) > ownGap, qPrintable(Str(l.objectName) + QLatin1Char(' ') + Str(k.objectName)));
    }
    QCOMPARE(indices, (QSet<int>{0, 1, 2, 3, 4, 5, 6, 7, L::kLinkLed}));
  }

  void arrowRegionsAreDisjointInsideThePad() {
    const L::KeyPicture* pad = L::FindKey("imgArrow(0)");
    QVERIFY(pad);
    for (size_t i = 0; i < L::kArrowRegions.size(); ++i) {
      const L::HitRegion& a = L::kArrowRegions[i].hit;
      QVERIFY(a.x1 >= 0 && a.x1 <= a.x2 && a.x2 < pad->width && a.y1 >= 0 && a.y1 <= a.y2 && a.y2 < pad->height);
      for (size_t j = i + 1; j < L::kArrowRegions.size(); ++j) {
        const L::HitRegion& b = L::kArrowRegions[j].hit;
        QVERIFY(a.x2 < b.x1 || b.x2 < a.x1 || a.y2 < b.y1 || b.y2 < a.y1);
      }
    }
  }
};

QTEST_GUILESS_MAIN(TestArtwork)
#include "tst_artwork.moc"
