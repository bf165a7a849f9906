// artwork: draws the keyboard pictures (keys, LEDs, panel backgrounds, logo
// and icon) into a folder, at the sizes and under the names of panellayout.h,
// and the desktop's icon theme files of the window icon.
//   artwork <folder> [--preview <dir>]
//   artwork [<folder>] --icons <dir>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "painting.h"
#include "datafolders.h"

namespace L = zam::layout;

namespace {

void Fail(const QString& text) { std::fprintf(stderr, "artwork: %s\n", qPrintable(text)); }

QString FileName(const char* path) { return QFileInfo(QString::fromLatin1(path)).fileName(); }

bool Save(const QImage& image, const QString& path) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray format = path.endsWith(QLatin1String(".png")) ? "png" : "jpg";
  QImageWriter writer(&file, format);
  if (format == "jpg") writer.setQuality(95);
  return writer.write(image) && file.commit();
}

// Draws every picture the layout names; empty on a picture it cannot draw.
std::map<QString, QImage> DrawAll() {
  std::map<QString, QImage> images;
  for (const L::KeyPicture& k : L::kKeys) {
    if (!artwork::CanDrawKey(k)) {
      Fail(QStringLiteral("no face for %1").arg(QString::fromLatin1(k.objectName)));
      return {};
    }
    images[FileName(k.normal)] = artwork::DrawKey(k, false);
    if (*k.pressed) images[FileName(k.pressed)] = artwork::DrawKey(k, true);
    if (L::SameText(k.control, "imgArrow"))
      for (const L::ArrowRegion& r : L::kArrowRegions)
        images[FileName(r.pressed)] =
            artwork::DrawArrowPad(L::Px(k.width), L::Px(k.height), &r);
  }
  images[FileName(L::kLedLit)] = artwork::DrawLed(true);
  images[FileName(L::kLedUnlit)] = artwork::DrawLed(false);
  for (int panel = 0; panel < 2; ++panel) images[FileName(L::kPanelPictures[panel])] = artwork::DrawPanel(panel);
  images[FileName(L::kLogoPicture)] = artwork::DrawLogo();
  images[FileName(L::kIconPicture)] = artwork::DrawIcon(L::kIconSizePx);
  return images;
}

QImage Load(const QDir& dir, const char* path) { return QImage(dir.filePath(FileName(path))); }

// One panel as the window shows it: the background, the visible keys (all
// pressed when asked) and the LEDs whose bits are set in leds.
QImage ComposePanel(const QDir& dir, int panel, bool pressed, int leds) {
  QImage out = Load(dir, L::kPanelPictures[panel]).convertToFormat(QImage::Format_RGB32);
  QPainter p(&out);
  for (const L::KeyPicture& k : L::kKeys) {
    if (k.panel != panel || k.hidden) continue;
    const char* path = k.normal;
    if (pressed) path = *k.pressed ? k.pressed : L::kArrowRegions[4].pressed;
    p.drawImage(L::Px(k.left), L::Px(k.top), Load(dir, path));
  }
  for (const L::LedPicture& led : L::kLeds) {
    if (led.panel != panel) continue;
    const bool lit = led.index == L::kLinkLed ? leds != 0 : (leds >> led.index) & 1;
    p.drawImage(L::Px(led.left), L::Px(led.top), Load(dir, lit ? L::kLedLit : L::kLedUnlit));
  }
  return out;
}

QImage Scaled(const QImage& img, int factor) {
  return img.scaled(img.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// Both panels at twice their size, as connected with a few LEDs lit and with
// every key held down and every LED lit, then once more at their real size.
bool WritePreviews(const QDir& images, const QDir& out) {
  for (int panel = 0; panel < 2; ++panel) {
    const QImage idle = ComposePanel(images, panel, false, 0x13);
    const QImage down = ComposePanel(images, panel, true, 0xFF);
    QImage sheet(idle.width() * 2, idle.height() * 5 + 16, QImage::Format_RGB32);
    sheet.fill(QColor(236, 233, 216));
    QPainter p(&sheet);
    p.drawImage(0, 0, Scaled(idle, 2));
    p.drawImage(0, idle.height() * 2 + 8, Scaled(down, 2));
    p.drawImage(0, idle.height() * 4 + 16, idle);
    p.end();
    if (!sheet.save(out.filePath(panel == 0 ? "preview_type1.png" : "preview_type4.png"))) return false;
  }
  // Every picture beside its pressed (or lit) one, three times enlarged.
  std::vector<std::pair<const char*, const char*>> pairs;
  std::set<std::string> seen;
  for (const L::KeyPicture& k : L::kKeys) {
    if (!seen.insert(k.normal).second) continue;
    if (*k.pressed)
      pairs.emplace_back(k.normal, k.pressed);
    else
      for (const L::ArrowRegion& r : L::kArrowRegions) pairs.emplace_back(k.normal, r.pressed);
  }
  pairs.emplace_back(L::kLedUnlit, L::kLedLit);

  const int f = 3, width = 1500;
  std::vector<QPoint> at;
  int x = 8, y = 8, rowH = 0;
  for (const auto& [a, b] : pairs) {
    const QImage ia = Load(images, a), ib = Load(images, b);
    const int w = (ia.width() + ib.width()) * f + 6;
    if (x + w > width) {
      x = 8;
      y += rowH + 12;
      rowH = 0;
    }
    at.emplace_back(x, y);
    x += w + 16;
    rowH = std::max(rowH, ia.height() * f);
  }
  QImage sheet(width, y + rowH + 8, QImage::Format_RGB32);
  sheet.fill(QColor(236, 233, 216));
  QPainter p(&sheet);
  for (size_t i = 0; i < pairs.size(); ++i) {
    const QImage ia = Load(images, pairs[i].first), ib = Load(images, pairs[i].second);
    p.drawImage(at[i], Scaled(ia, f));
    p.drawImage(at[i] + QPoint(ia.width() * f + 6, 0), Scaled(ib, f));
  }
  p.end();
  return sheet.save(out.filePath("preview_sheet.png"));
}

// The window icon at the sizes desktops look for, as <dir>/hicolor/NxN/apps/kaymor.png.
bool WriteThemeIcons(const QDir& dir) {
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = dir.filePath(QStringLiteral("hicolor/%1x%1/apps").arg(size));
    if (!QDir().mkpath(folder) || !Save(artwork::DrawIcon(size), folder + QStringLiteral("/kaymor.png"))) {
      Fail(QStringLiteral("cannot write the icon into %1").arg(folder));
      return false;
    }
  }
  return true;
}

// A build has no session, so the missing runtime folder is no news.
QtMessageHandler g_nextHandler = nullptr;

void DropSessionNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  if (g_nextHandler)
    g_nextHandler(type, context, text);
  else
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

}  // namespace

int main(int argc, char** argv) {
  // Drawing only: no display is ever needed.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  g_nextHandler = qInstallMessageHandler(DropSessionNoise);
  QGuiApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("artwork"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Draws the keyboard pictures."));
  parser.addHelpOption();
  parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("Folder the pictures are written to."));
  const QCommandLineOption previewOption(QStringLiteral("preview"),
                                         QStringLiteral("Also write preview pictures into <dir>."),
                                         QStringLiteral("dir"));
  parser.addOption(previewOption);
  const QCommandLineOption iconsOption(QStringLiteral("icons"),
                                       QStringLiteral("Write the theme icons into <dir>/hicolor."),
                                       QStringLiteral("dir"));
  parser.addOption(iconsOption);
  parser.process(app);
  const qsizetype folders = parser.positionalArguments().size();
  if (folders > 1 || (folders == 0 && !parser.isSet(iconsOption))) {
    Fail(QStringLiteral("usage: artwork <folder> [--preview <dir>] [--icons <dir>]"));
    return 2;
  }
  if (parser.isSet(iconsOption) && !WriteThemeIcons(QDir(parser.value(iconsOption)))) return 1;
  if (folders == 0) return 0;

  const QDir dir(parser.positionalArguments().first());
  if (!QDir().mkpath(dir.absolutePath())) {
    Fail(QStringLiteral("cannot create %1").arg(dir.absolutePath()));
    return 1;
  }
  // Each picture at its size, and at twice it as "name@2x.jpg" for scaled
  // desktops (the name Qt reads a device pixel ratio of 2 from).
  for (const int scale : {1, 2}) {
    const artwork::ScaleScope scope(scale);
    const std::map<QString, QImage> images = DrawAll();
    if (images.empty()) return 1;
    for (const L::PictureFile& file : L::PictureFiles()) {
      const auto it = images.find(FileName(file.path));
      if (it == images.end()) {
        Fail(QStringLiteral("nothing drawn for %1").arg(QString::fromLatin1(file.path)));
        return 1;
      }
      if (it->second.size() != QSize(file.width, file.height) * scale) {
        Fail(QStringLiteral("%1 drawn at the wrong size").arg(QString::fromLatin1(file.path)));
        return 1;
      }
      const QString name = scale == 1 ? it->first : zam::ScaledPictureName(it->first, scale);
      if (!Save(it->second, dir.filePath(name))) {
        Fail(QStringLiteral("cannot write %1").arg(dir.filePath(name)));
        return 1;
      }
    }
  }

  if (parser.isSet(previewOption)) {
    const QDir out(parser.value(previewOption));
    if (!QDir().mkpath(out.absolutePath()) || !WritePreviews(dir, out)) {
      Fail(QStringLiteral("cannot write the previews into %1").arg(out.absolutePath()));
      return 1;
    }
  }
  return 0;
}
