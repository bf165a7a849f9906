#include "painting.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <random>
#include <string_view>
#include <vector>

namespace artwork {
namespace L = zam::layout;
namespace {

const QColor kWell(22, 23, 26);
const QColor kWellEdgeDark(8, 9, 10);
const QColor kWellEdgeLight(86, 89, 95);
const QColor kCapTop(104, 108, 116), kCapBottom(62, 65, 71);
const QColor kCapDownTop(44, 46, 51), kCapDownBottom(36, 38, 42);
const QColor kCapBorder(12, 13, 15);
const QColor kInk(238, 240, 242);
const QColor kInkDown(176, 179, 184);
const QColor kRecRed(232, 34, 38);
const QColor kRecRedDown(170, 24, 28);
const QColor kPrint(186, 190, 197);
const QColor kBezel(14, 15, 17);

int g_scale = 1;

// A picture of w x h pixels of the layout, at g_scale device pixels to a
// pixel: the painter draws in layout pixels whatever the scale.
QImage Canvas(int w, int h, QImage::Format format) {
  QImage img(w * g_scale, h * g_scale, format);
  img.setDevicePixelRatio(g_scale);
  return img;
}

// The picture's rectangle in layout pixels.
QRect Area(const QImage& img) { return QRect(QPoint(0, 0), img.deviceIndependentSize().toSize()); }

QFont Font(int pixelSize, bool bold = true, bool condensed = true) {
  QFont f(condensed ? QStringLiteral("DejaVu Sans Condensed") : QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

// A picture that sits in a cutout of the panel: shadowed top and left edges,
// lit bottom and right edges.
void DrawWell(QPainter& p, const QRect& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(r, kWell);
  p.setPen(kWellEdgeDark);
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(kWellEdgeLight);
  p.drawLine(r.bottomLeft() + QPoint(1, 0), r.bottomRight());
  p.drawLine(r.topRight() + QPoint(0, 1), r.bottomRight());
  p.restore();
}

// A key cap of any shape; a pressed cap sits 1 px lower and to the right,
// darker, with a shadow inside its top and left edges.
void DrawCap(QPainter& p, const QPainterPath& shape, bool pressed, const QRectF& lightBox) {
  const QPainterPath cap = pressed ? shape.translated(1, 1) : shape;
  if (!pressed) p.fillPath(shape.translated(0.7, 1.5), QColor(0, 0, 0, 190));
  QLinearGradient g(lightBox.topLeft(), lightBox.bottomLeft());
  g.setColorAt(0, pressed ? kCapDownTop : kCapTop);
  g.setColorAt(1, pressed ? kCapDownBottom : kCapBottom);
  p.fillPath(cap, g);
  p.save();
  p.setClipPath(cap);
  if (pressed) {
    p.fillPath(cap.subtracted(cap.translated(1.3, 1.3)), QColor(0, 0, 0, 170));
    p.fillPath(cap.subtracted(cap.translated(2.6, 2.6)), QColor(0, 0, 0, 70));
  } else {
    p.fillPath(cap.subtracted(cap.translated(0, 1.2)), QColor(255, 255, 255, 70));
    p.fillPath(cap.subtracted(cap.translated(0, -1.2)), QColor(0, 0, 0, 60));
  }
  p.restore();
  p.setPen(QPen(kCapBorder, 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(cap);
}

enum class Face {
  Record, PlayRev, Stop, Play, Pause, Search, SpeedUp, SpeedDown, Enter,
  Camera, IpCamera, Quad, Alarm, Seq, Zoom, Func, None
};

struct KeyFace {
  Face face;
  int number;  // camera number
};

KeyFace FaceOf(const L::KeyPicture& k) {
  const std::string_view c = k.control;
  if (c == "imgRec") return {Face::Record, 0};
  if (c == "imgPlayRev") return {Face::PlayRev, 0};
  if (c == "imgStop") return {Face::Stop, 0};
  if (c == "imgPlay") return {Face::Play, 0};
  if (c == "imgPause") return {Face::Pause, 0};
  if (c == "imgSearch") return {Face::Search, 0};
  if (c == "imgRecSpeedUp") return {Face::SpeedUp, 0};
  if (c == "imgRecSpeedDown") return {Face::SpeedDown, 0};
  if (c == "imgEnter") return {Face::Enter, 0};
  if (c == "imgCam1") return {Face::Camera, 1};
  if (c == "imgIPCam1") return {Face::IpCamera, 1};
  if (c == "imgCam") return k.index == 132 ? KeyFace{Face::Quad, 0} : KeyFace{Face::Camera, k.index + 1};
  if (c == "imgIPCam") return {Face::IpCamera, k.index + 1};
  if (c == "imgAlarm") return {Face::Alarm, 0};
  if (c == "imgSeq") return {Face::Seq, 0};
  if (c == "imgZoom") return {Face::Zoom, 0};
  if (c == "imgFunc") return {Face::Func, 0};
  return {Face::None, 0};
}

QString LabelOf(Face f) {
  switch (f) {
    case Face::PlayRev: return QStringLiteral("REV");
    case Face::Stop: return QStringLiteral("STOP");
    case Face::Play: return QStringLiteral("PLAY");
    case Face::Pause: return QStringLiteral("PAUSE");
    case Face::Search: return QStringLiteral("SEARCH");
    case Face::Enter: return QStringLiteral("ENTER");
    case Face::Alarm: return QStringLiteral("ALARM");
    case Face::Seq: return QStringLiteral("SEQ");
    case Face::Zoom: return QStringLiteral("ZOOM");
    case Face::Func: return QStringLiteral("FUNC");
    case Face::Quad: return QStringLiteral("QUAD");
    default: return {};
  }
}

QPolygonF Triangle(const QPointF& c, qreal size, qreal angleDeg) {
  // Points along angleDeg (0 = right, 90 = up).
  QPolygonF t;
  for (int i = 0; i < 3; ++i) {
    const qreal a = qDegreesToRadians(angleDeg + 120.0 * i);
    t << QPointF(c.x() + size * 0.62 * std::cos(a), c.y() - size * 0.62 * std::sin(a));
  }
  return t;
}

void FillPolygon(QPainter& p, const QPolygonF& poly, const QColor& c) {
  QPainterPath path;
  path.addPolygon(poly);
  path.closeSubpath();
  p.fillPath(path, c);
}

void DrawCameraGlyph(QPainter& p, const QPointF& c, qreal h, const QColor& ink) {
  const QRectF body(c.x() - h * 0.75, c.y() - h * 0.4, h * 1.05, h * 0.8);
  QPainterPath b;
  b.addRoundedRect(body, h * 0.12, h * 0.12);
  p.fillPath(b, ink);
  QPolygonF lens;
  lens << QPointF(body.right() - 0.3, c.y() - h * 0.12) << QPointF(body.right() + h * 0.45, c.y() - h * 0.38)
       << QPointF(body.right() + h * 0.45, c.y() + h * 0.38) << QPointF(body.right() - 0.3, c.y() + h * 0.12);
  FillPolygon(p, lens, ink);
}

// The symbol of a face drawn into box.
void DrawSymbol(QPainter& p, KeyFace kf, const QRectF& box, bool pressed) {
  const QColor ink = pressed ? kInkDown : kInk;
  const QPointF c = box.center();
  const qreal s = std::min(box.width(), box.height());
  p.save();
  switch (kf.face) {
    case Face::Record: {
      const qreal r = s * 0.5;
      QRadialGradient g(c - QPointF(r * 0.35, r * 0.35), r * 1.4);
      const QColor red = pressed ? kRecRedDown : kRecRed;
      g.setColorAt(0, red.lighter(150));
      g.setColorAt(0.5, red);
      g.setColorAt(1, red.darker(160));
      p.setPen(QPen(QColor(0, 0, 0, 150), 0.8));
      p.setBrush(g);
      p.drawEllipse(c, r, r);
      break;
    }
    case Face::Play: FillPolygon(p, Triangle(c + QPointF(s * 0.06, 0), s * 0.95, 0), ink); break;
    case Face::PlayRev: FillPolygon(p, Triangle(c - QPointF(s * 0.06, 0), s * 0.95, 180), ink); break;
    case Face::Stop: {
      const qreal a = s * 0.72;
      p.fillRect(QRectF(c.x() - a / 2, c.y() - a / 2, a, a), ink);
      break;
    }
    case Face::Pause: {
      const qreal h = s * 0.8, w = s * 0.26;
      p.fillRect(QRectF(c.x() - w * 1.35, c.y() - h / 2, w, h), ink);
      p.fillRect(QRectF(c.x() + w * 0.35, c.y() - h / 2, w, h), ink);
      break;
    }
    case Face::Search:
    case Face::Zoom: {
      const qreal r = s * 0.3;
      const QPointF lc = c - QPointF(s * 0.1, s * 0.1);
      p.setPen(QPen(ink, std::max<qreal>(1.4, s * 0.12), Qt::SolidLine, Qt::RoundCap));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(lc, r, r);
      const qreal d = r * 0.7071;
      p.drawLine(lc + QPointF(d, d), lc + QPointF(d + s * 0.28, d + s * 0.28));
      if (kf.face == Face::Zoom) {
        p.setPen(QPen(ink, 1.2));
        p.drawLine(lc - QPointF(r * 0.5, 0), lc + QPointF(r * 0.5, 0));
        p.drawLine(lc - QPointF(0, r * 0.5), lc + QPointF(0, r * 0.5));
      }
      break;
    }
    case Face::SpeedUp:
    case Face::SpeedDown: {
      const qreal dir = kf.face == Face::SpeedUp ? -1 : 1;
      p.setPen(QPen(ink, std::max<qreal>(1.6, s * 0.14), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(Qt::NoBrush);
      for (int i = 0; i < 2; ++i) {
        const qreal y = c.y() + dir * (s * 0.2 - i * s * 0.34);
        QPolygonF v;
        v << QPointF(c.x() - s * 0.3, y) << QPointF(c.x(), y + dir * s * 0.26) << QPointF(c.x() + s * 0.3, y);
        p.drawPolyline(v);
      }
      break;
    }
    case Face::Enter: {
      p.setPen(QPen(ink, std::max<qreal>(1.5, s * 0.12), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
      p.setBrush(Qt::NoBrush);
      const qreal x1 = c.x() - s * 0.28, x2 = c.x() + s * 0.38, y0 = c.y() - s * 0.4, y1 = c.y() + s * 0.2;
      QPolygonF line;
      line << QPointF(x2, y0) << QPointF(x2, y1) << QPointF(x1 + s * 0.1, y1);
      p.drawPolyline(line);
      QPolygonF head;
      head << QPointF(x1 - s * 0.12, y1) << QPointF(x1 + s * 0.18, y1 - s * 0.22)
           << QPointF(x1 + s * 0.18, y1 + s * 0.22);
      FillPolygon(p, head, ink);
      break;
    }
    case Face::Quad: {
      const qreal a = s * 0.36, g = std::max<qreal>(1.2, s * 0.08);
      for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
          p.fillRect(QRectF(c.x() - a - g / 2 + i * (a + g), c.y() - a - g / 2 + j * (a + g), a, a), ink);
      break;
    }
    case Face::Alarm: {
      // A bell.
      const qreal w = s * 0.8, h = s * 0.78;
      const QRectF b(c.x() - w / 2, c.y() - h / 2, w, h);
      QPainterPath bell;
      bell.moveTo(b.left(), b.bottom() - h * 0.18);
      bell.cubicTo(b.left() + w * 0.18, b.bottom() - h * 0.3, b.left() + w * 0.12, b.top() + h * 0.05,
                   c.x(), b.top() + h * 0.02);
      bell.cubicTo(b.right() - w * 0.12, b.top() + h * 0.05, b.right() - w * 0.18, b.bottom() - h * 0.3,
                   b.right(), b.bottom() - h * 0.18);
      bell.closeSubpath();
      p.fillPath(bell, ink);
      p.setPen(Qt::NoPen);
      p.setBrush(ink);
      p.drawEllipse(QPointF(c.x(), b.bottom() - h * 0.08), w * 0.13, w * 0.13);
      break;
    }
    case Face::Seq: {
      // Two arrows chasing round a circle.
      const qreal r = s * 0.34;
      const QRectF rr(c.x() - r, c.y() - r, 2 * r, 2 * r);
      p.setPen(QPen(ink, std::max<qreal>(1.4, s * 0.11), Qt::SolidLine, Qt::FlatCap));
      p.setBrush(Qt::NoBrush);
      p.drawArc(rr, 110 * 16, 130 * 16);
      p.drawArc(rr, 290 * 16, 130 * 16);
      for (qreal a : {240.0, 60.0}) {
        const qreal ar = qDegreesToRadians(a);
        const QPointF tip(c.x() + r * std::cos(ar), c.y() - r * std::sin(ar));
        FillPolygon(p, Triangle(tip, s * 0.34, a - 90), ink);
      }
      break;
    }
    case Face::Func: {
      p.setFont(Font(qRound(s * 0.9)));
      p.setPen(ink);
      p.drawText(box, Qt::AlignCenter, QStringLiteral("F"));
      break;
    }
    case Face::Camera:
    case Face::IpCamera: {
      const QString text = kf.face == Face::Camera
                               ? QString::number(kf.number)
                               : (kf.number == 1 ? QStringLiteral("IP") : QStringLiteral("IP%1").arg(kf.number));
      const QFont f = Font(qRound(box.height() * 0.78));
      const QFontMetricsF fm(f);
      const qreal glyph = box.height() * 0.5;
      const qreal tw = fm.horizontalAdvance(text);
      const qreal total = glyph * 1.6 + 3 + tw;
      const qreal x0 = c.x() - total / 2;
      DrawCameraGlyph(p, QPointF(x0 + glyph * 0.75, c.y()), glyph, ink);
      p.setFont(f);
      p.setPen(ink);
      p.drawText(QRectF(x0 + glyph * 1.6 + 3, box.top() - 2, tw + 2, box.height() + 4),
                 Qt::AlignLeft | Qt::AlignVCenter, text);
      break;
    }
    case Face::None: break;
  }
  p.restore();
}

// The cap sits over the hit region so that what looks like the key is what
// answers a click; a region larger than the picture is kept 2 px inside it.
QRectF CapRect(const L::KeyPicture& k, int w, int h) {
  const auto px = [](int twips) { return std::round(twips / double(L::kTwipsPerPixel)); };
  const double x1 = std::clamp(px(k.hit.x1), 2.0, w - 3.0), x2 = std::clamp(px(k.hit.x2), 3.0, w - 2.0);
  const double y1 = std::clamp(px(k.hit.y1), 2.0, h - 3.0), y2 = std::clamp(px(k.hit.y2), 3.0, h - 2.0);
  return QRectF(x1 + 0.5, y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1);
}

// Deterministic noise, the same on every platform.
class Noise {
 public:
  explicit Noise(quint32 seed) : rng_(seed) {}
  double Uniform() { return rng_() / 4294967296.0; }
  double Normal() {
    double s = 0;
    for (int i = 0; i < 6; ++i) s += Uniform();
    return (s - 3.0) * 1.41;
  }

 private:
  std::mt19937 rng_;
};

// Dark grey metal brushed along its length: long horizontal streaks and grain.
QImage Brushed(int logicalW, int logicalH, quint32 seed) {
  QImage img = Canvas(logicalW, logicalH, QImage::Format_RGB32);
  const int w = img.width(), h = img.height();
  Noise n(seed);
  const int win = 48 * g_scale;
  std::vector<double> white(w + win), streak(w);
  for (int y = 0; y < h; ++y) {
    const double rowShift = n.Normal() * 0.9;
    for (double& v : white) v = n.Normal();
    double sum = 0;
    for (int i = 0; i < win; ++i) sum += white[i];
    for (int x = 0; x < w; ++x) {
      streak[x] = sum / std::sqrt(double(win)) * 1.6;
      sum += white[x + win] - white[x];
    }
    const double base = 52.0 - 10.0 * y / h;
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const double v = base + rowShift + streak[x] + n.Normal() * 0.8;
      const auto ch = [](double c) { return std::clamp(int(std::lround(c)), 0, 255); };
      line[x] = qRgb(ch(v), ch(v + 2), ch(v + 4));
    }
  }
  return img;
}

QRect PxRect(int left, int top, int width, int height) {
  return QRect(L::Px(left), L::Px(top), L::Px(width),
               L::Px(height));
}

void DrawLedBezel(QPainter& p, const QRect& led) {
  const QPointF c = QRectF(led).center();
  const qreal r = led.width() * 0.5 * 1.45;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 40));
  p.drawEllipse(c + QPointF(0, 0.8), r + 0.8, r + 0.8);
  p.setBrush(QColor(0, 0, 0, 160));
  p.drawEllipse(c - QPointF(0, 0.6), r + 0.6, r + 0.6);
  p.setBrush(kBezel);
  p.drawEllipse(c, r, r);
}

void PrintText(QPainter& p, const QRectF& box, int flags, const QString& text, int px, const QColor& c = kPrint) {
  p.setFont(Font(px));
  p.setPen(c);
  p.drawText(box, flags, text);
}

}  // namespace

ScaleScope::ScaleScope(int factor) : before_(g_scale) { g_scale = factor; }

ScaleScope::~ScaleScope() { g_scale = before_; }

bool CanDrawKey(const L::KeyPicture& key) {
  return FaceOf(key).face != Face::None || std::string_view(key.control) == "imgArrow";
}

QImage DrawKey(const L::KeyPicture& key, bool pressed) {
  const int w = L::Px(key.width), h = L::Px(key.height);
  if (std::string_view(key.control) == "imgArrow") return DrawArrowPad(w, h, nullptr);
  QImage img = Canvas(w, h, QImage::Format_RGB32);
  QPainter p(&img);
  DrawWell(p, Area(img));
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  const KeyFace kf = FaceOf(key);
  const QRectF cap = CapRect(key, w, h);
  const qreal radius = std::min(cap.width(), cap.height()) * 0.2;
  QPainterPath shape;
  shape.addRoundedRect(cap, radius, radius);
  DrawCap(p, shape, pressed, cap);

  QRectF face = cap.adjusted(2, 2, -2, -2);
  if (pressed) face.translate(1, 1);
  const QString label = LabelOf(kf.face);
  if (!label.isEmpty() && face.height() >= 18) {
    // Printed narrower rather than smaller when the cap is tight.
    const QFont font = Font(7);
    const qreal textW = QFontMetricsF(font).horizontalAdvance(label);
    const qreal squeeze = std::min<qreal>(1.0, (face.width() + 2) / textW);
    const QRectF labelBox(face.left() - 2, face.bottom() - 8, face.width() + 4, 9);
    p.save();
    p.translate(labelBox.center().x(), 0);
    p.scale(squeeze, 1);
    p.setFont(font);
    p.setPen(pressed ? kInkDown : kInk);
    p.drawText(QRectF(-textW, labelBox.top(), 2 * textW, labelBox.height()), Qt::AlignHCenter | Qt::AlignBottom,
               label);
    p.restore();
    face.setBottom(labelBox.top() - 1);
  }
  if (kf.face == Face::Camera || kf.face == Face::IpCamera) {
    DrawSymbol(p, kf, face, pressed);
  } else {
    const qreal side = std::min(face.width(), face.height());
    DrawSymbol(p, kf, QRectF(face.center() - QPointF(side, side) / 2, QSizeF(side, side)), pressed);
  }
  return img;
}

QImage DrawArrowPad(int w, int h, const L::ArrowRegion* pressed) {
  QImage img = Canvas(w, h, QImage::Format_RGB32);
  QPainter p(&img);
  DrawWell(p, Area(img));
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  const QPointF c(w / 2.0, h / 2.0);
  const qreal outer = std::min(w, h) / 2.0 - 3.5;
  const qreal inner = outer * 0.5;
  const qreal button = outer * 0.41;
  const QRectF lightBox(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer);

  // The seat the pad sits in.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(4, 4, 5));
  p.drawEllipse(c, outer + 1.8, outer + 1.8);

  QPainterPath ring;
  ring.addEllipse(c, outer, outer);
  QPainterPath hole;
  hole.addEllipse(c, inner, inner);
  ring = ring.subtracted(hole);

  const int pressedDir = pressed ? pressed->direction : -1;
  // direction number -> angle of its arrow (0 = right, counter-clockwise)
  const std::pair<int, qreal> segments[] = {{1, 180}, {2, 90}, {3, 0}, {4, 270}};
  for (const auto& [dir, angle] : segments) {
    const qreal a = qDegreesToRadians(angle);
    const QPointF axis(std::cos(a), -std::sin(a));
    QPolygonF quadrant;
    const qreal far = outer * 3;
    for (qreal da : {-45.0, 0.0, 45.0}) {
      const qreal b = qDegreesToRadians(angle + da);
      quadrant << c + QPointF(std::cos(b), -std::sin(b)) * far * (da == 0 ? 1.0 : 1.5);
    }
    quadrant.prepend(c);
    quadrant.translate(axis * 1.3);  // a groove between the segments
    QPainterPath wedge;
    wedge.addPolygon(quadrant);
    wedge.closeSubpath();
    const QPainterPath seg = ring.intersected(wedge);
    const bool down = dir == pressedDir;
    DrawCap(p, seg, down, lightBox);
    const qreal mid = (inner + outer) / 2 + 1;
    QPointF tip = c + axis * mid;
    if (down) tip += QPointF(1, 1);
    FillPolygon(p, Triangle(tip, (outer - inner) * 0.5, angle), down ? kInkDown : kInk);
  }

  const bool centreDown = pressedDir == 0;
  QPainterPath btn;
  btn.addEllipse(c, button, button);
  DrawCap(p, btn, centreDown, QRectF(c.x() - button, c.y() - button, 2 * button, 2 * button));
  QRectF textBox(c.x() - button, c.y() - button, 2 * button, 2 * button);
  if (centreDown) textBox.translate(1, 1);
  p.setFont(Font(9));
  p.setPen(centreDown ? kInkDown : kInk);
  p.drawText(textBox, Qt::AlignCenter, QStringLiteral("MENU"));
  return img;
}

QImage DrawLed(bool lit) {
  const int s = L::Px(L::kLedSize);
  QImage img = Canvas(s, s, QImage::Format_RGB32);
  img.fill(kBezel);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF c(s / 2.0, s / 2.0);
  const qreal r = s / 2.0 - 1.1;
  if (lit) {
    // Glow fading out before the picture's edge so no square shows.
    QRadialGradient glow(c, s / 2.0);
    glow.setColorAt(0, QColor(255, 60, 40, 255));
    glow.setColorAt(0.75, QColor(255, 30, 20, 150));
    glow.setColorAt(1, QColor(255, 20, 10, 0));
    p.fillRect(Area(img), glow);
    QRadialGradient dome(c - QPointF(r * 0.3, r * 0.3), r * 1.3);
    dome.setColorAt(0, QColor(255, 236, 220));
    dome.setColorAt(0.35, QColor(255, 80, 56));
    dome.setColorAt(1, QColor(210, 16, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(dome);
    p.drawEllipse(c, r, r);
  } else {
    QRadialGradient dome(c - QPointF(r * 0.3, r * 0.3), r * 1.3);
    dome.setColorAt(0, QColor(214, 214, 208));
    dome.setColorAt(0.5, QColor(160, 160, 155));
    dome.setColorAt(1, QColor(104, 104, 100));
    p.setPen(QPen(QColor(0, 0, 0, 200), 0.8));
    p.setBrush(dome);
    p.drawEllipse(c, r, r);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, lit ? 220 : 120));
  p.drawEllipse(c - QPointF(r * 0.35, r * 0.38), r * 0.3, r * 0.22);
  return img;
}

QImage DrawPanel(int panel) {
  const int w = L::Px(L::kPanelWidth), h = L::Px(L::kPanelHeight);
  QImage img = Brushed(w, h, panel == 0 ? 0x5a17u : 0x5a47u);
  QPainter p(&img);

  // Bevelled edge of the case.
  p.setPen(QColor(6, 6, 7));
  p.drawRect(Area(img).adjusted(0, 0, -1, -1));
  p.setPen(QColor(104, 108, 114));
  p.drawLine(1, 1, w - 2, 1);
  p.drawLine(1, 1, 1, h - 2);
  p.setPen(QColor(20, 21, 23));
  p.drawLine(2, h - 2, w - 2, h - 2);
  p.drawLine(w - 2, 2, w - 2, h - 2);

  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  // Brand.
  const QPointF brand = panel == 0 ? QPointF(44, 12) : QPointF(34, 12);
  QFont bf = Font(22, true, false);
  bf.setItalic(true);
  bf.setLetterSpacing(QFont::AbsoluteSpacing, 1);
  p.setFont(bf);
  p.setPen(QColor(232, 234, 236));
  const QRectF brandBox(brand.x(), brand.y(), 80, 26);
  p.drawText(brandBox, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("ZAM"));
  const qreal brandW = QFontMetricsF(bf).horizontalAdvance(QStringLiteral("ZAM"));
  p.setPen(Qt::NoPen);
  p.setBrush(kRecRed);
  p.drawEllipse(QPointF(brand.x() + brandW + 7, brand.y() + 16), 3.2, 3.2);
  PrintText(p, QRectF(brand.x() + 1, brand.y() + 27, 200, 10), Qt::AlignLeft | Qt::AlignTop,
            QStringLiteral("DIGITAL VIDEO RECORDER"),
            7);

  // Wells under the keys, so a key whose picture is missing still looks fitted.
  for (const L::KeyPicture& k : L::kKeys)
    if (k.panel == panel && !k.hidden) DrawWell(p, PxRect(k.left, k.top, k.width, k.height));

  for (const L::LedPicture& led : L::kLeds) {
    if (led.panel != panel) continue;
    const QRect r = PxRect(led.left, led.top, L::kLedSize, L::kLedSize);
    DrawLedBezel(p, r);
    if (*led.label)
      PrintText(p, QRectF(r.right() + 6, r.top() - 3, 60, r.height() + 6), Qt::AlignLeft | Qt::AlignVCenter,
                QString::fromLatin1(led.label), 8);
  }

  // "SPEED" over the pair of speed keys.
  if (const L::KeyPicture* up = L::FindKey(panel == 0 ? "imgRecSpeedUp(0)" : "imgRecSpeedUp(1)")) {
    const QRect r = PxRect(up->left, up->top, up->width, up->height);
    PrintText(p, QRectF(r.center().x() - 20, r.top() - 12, 41, 10), Qt::AlignHCenter | Qt::AlignBottom,
              QStringLiteral("SPEED"), 7);
  }
  return img;
}

QImage DrawLogo() {
  QImage img = Canvas(L::kLogoWidthPx, L::kLogoHeightPx, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QRectF plate(1, 1, Area(img).width() - 2, Area(img).height() - 2);
  QPainterPath path;
  path.addRoundedRect(plate, 10, 10);
  QLinearGradient g(plate.topLeft(), plate.bottomLeft());
  g.setColorAt(0, QColor(70, 73, 79));
  g.setColorAt(1, QColor(30, 32, 35));
  p.fillPath(path, g);
  p.setPen(QPen(QColor(10, 10, 12), 1.5));
  p.drawPath(path);

  QFont f = Font(44, true, false);
  f.setItalic(true);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  p.setFont(f);
  p.setPen(QColor(240, 242, 244));
  const QString word = QStringLiteral("ZAM");
  const qreal ww = QFontMetricsF(f).horizontalAdvance(word);
  p.drawText(QRectF(18, 4, ww + 10, 52), Qt::AlignLeft | Qt::AlignVCenter, word);
  QRadialGradient dot(QPointF(18 + ww + 16, 28), 9);
  dot.setColorAt(0, kRecRed.lighter(150));
  dot.setColorAt(1, kRecRed.darker(130));
  p.setPen(Qt::NoPen);
  p.setBrush(dot);
  p.drawEllipse(QPointF(18 + ww + 16, 30), 8, 8);
  PrintText(p, QRectF(20, 52, 200, 14), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("VIRTUAL KEYBOARD"), 11, QColor(200, 204, 210));
  return img;
}

QImage DrawIcon(int size) {
  // Drawn on the window icon's grid and scaled, so every size is sharp.
  const int s = L::kIconSizePx;
  QImage img = Canvas(size, size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(qreal(size) / s, qreal(size) / s);
  const QRectF body(6, 22, s - 12, s - 44);
  QPainterPath path;
  path.addRoundedRect(body, 12, 12);
  p.fillPath(path.translated(0, 3), QColor(0, 0, 0, 110));
  QLinearGradient g(body.topLeft(), body.bottomLeft());
  g.setColorAt(0, QColor(86, 90, 97));
  g.setColorAt(1, QColor(36, 38, 42));
  p.fillPath(path, g);
  p.setPen(QPen(QColor(10, 10, 12), 2));
  p.drawPath(path);

  // Record key and the round arrow pad, the two things everyone recognises.
  const QPointF rec(body.left() + 26, body.center().y());
  QRadialGradient red(rec - QPointF(4, 4), 18);
  red.setColorAt(0, kRecRed.lighter(150));
  red.setColorAt(1, kRecRed.darker(140));
  p.setPen(QPen(QColor(0, 0, 0, 160), 1.5));
  p.setBrush(red);
  p.drawEllipse(rec, 13, 13);

  const QPointF pad(body.right() - 36, body.center().y());
  p.setBrush(QColor(20, 21, 23));
  p.drawEllipse(pad, 28, 28);
  QRadialGradient pg(pad - QPointF(8, 10), 40);
  pg.setColorAt(0, kCapTop.lighter(115));
  pg.setColorAt(1, kCapBottom);
  p.setBrush(pg);
  p.drawEllipse(pad, 25, 25);
  for (qreal a : {0.0, 90.0, 180.0, 270.0}) {
    const qreal ar = qDegreesToRadians(a);
    FillPolygon(p, Triangle(pad + QPointF(std::cos(ar), -std::sin(ar)) * 17, 9, a), kInk);
  }
  p.setBrush(QColor(40, 42, 46));
  p.drawEllipse(pad, 9, 9);
  return img;
}

}  // namespace artwork
