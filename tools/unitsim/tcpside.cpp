#include "tcpside.h"

#include "comboblock.h"
#include "keycodes.h"

#include <sys/socket.h>

namespace unitsim {

namespace {

const char* TypeName(qint32 type) {
  switch (type) {
    case zam::ZAM_SPI_KEY: return "ZAM_SPI_KEY";
    case zam::ZAM_COMBO_BLOCK_REQUEST: return "ZAM_COMBO_BLOCK_REQUEST";
    case zam::ZAM_COMBO_BLOCK_SEND: return "ZAM_COMBO_BLOCK_SEND";
    case zam::ZAM_CONNECTION_REQUEST: return "ZAM_CONNECTION_REQUEST";
    case zam::ZAM_STATUS_REQUEST: return "ZAM_STATUS_REQUEST";
    case zam::ZAM_LED_STATUS_REQUEST: return "ZAM_LED_STATUS_REQUEST";
    case zam::ZAM_REBOOT_REQUEST: return "ZAM_REBOOT_REQUEST";
    case zam::ZAM_COMBO_BLOCK_REQUEST_RESPONSE: return "ZAM_COMBO_BLOCK_REQUEST_RESPONSE";
    case zam::ZAM_COMBO_BLOCK_SEND_RESPONSE: return "ZAM_COMBO_BLOCK_SEND_RESPONSE";
    case zam::ZAM_CONNECTION_RESPONSE: return "ZAM_CONNECTION_RESPONSE";
    case zam::ZAM_STATUS_RESPONSE: return "ZAM_STATUS_RESPONSE";
    case zam::ZAM_LED_STATUS_RESPONSE: return "ZAM_LED_STATUS_RESPONSE";
    case zam::ZAM_REBOOT_RESPONSE: return "ZAM_REBOOT_RESPONSE";
    default: return "";
  }
}

LogFields TypeFields(qint32 type, int conn) {
  return {{"conn", conn},
          {"type", HexCode(quint32(type), 8)},
          {"name", QString::fromLatin1(TypeName(type))}};
}

}  // namespace

TcpClient::TcpClient(QTcpSocket* socket, Unit& unit, int id, QObject* parent)
    : QObject(parent), socket_(socket), unit_(unit), id_(id) {
  socket_->setParent(this);
  // Each piece of a --chunk reply must leave as its own segment.
  socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  gap_.setInterval(unit_.options().chunkGapMs);
  connect(&gap_, &QTimer::timeout, this, &TcpClient::SendPiece);
  connect(socket_, &QTcpSocket::readyRead, this, &TcpClient::OnReadyRead);
  connect(socket_, &QTcpSocket::disconnected, this, [this] {
    if (flood_.isActive()) EndFlood();
    unit_.log().Event("tcp", QStringLiteral("disconnect"), {{"conn", id_}});
    deleteLater();
  });
  unit_.log().Event("tcp", QStringLiteral("connect"),
                    {{"conn", id_},
                     {"peer", QStringLiteral("%1:%2").arg(socket_->peerAddress().toString())
                                  .arg(socket_->peerPort())}});
}

void TcpClient::OnReadyRead() {
  const QByteArray chunk = socket_->readAll();
  for (const QByteArray& frame : assembler_.Feed(chunk)) Handle(frame);
}

void TcpClient::Handle(const QByteArray& frame) {
  const qint32 type = zam::FrameType(frame).value_or(0);
  LogFields fields = TypeFields(type, id_);
  const bool silent = unit_.options().silentTcp.contains(quint32(type));
  const auto logRx = [&](const QString& ignored = {}) {
    if (silent) fields.append(LogField("silent", true));
    if (!ignored.isEmpty()) fields.append(LogField("ignored", ignored));
    unit_.log().Rx("tcp", frame, fields);
  };

  if (closing_) {
    logRx(QStringLiteral("closing"));
    return;
  }
  if (mute_) {
    logRx(QStringLiteral("mute"));
    return;
  }
  if (unit_.options().resetOnTcp.contains(quint32(type))) {
    logRx(QStringLiteral("reset"));
    Reset();
    return;
  }

  if (type == zam::ZAM_CONNECTION_REQUEST) {
    const auto request = zam::ParseConnectionRequest(frame);
    if (!request) {
      logRx(QStringLiteral("short login request"));
      return;
    }
    const quint8 result = unit_.LoginResult(request->code);
    fields.append(LogField("client", int(request->clientByte)));
    fields.append(LogField("code", int(request->code)));
    fields.append(LogField("result", int(result)));
    logRx();
    loggedIn_ = result != 0 && result != 2;
    if (!silent)
      Reply(zam::BuildLoginReply(result, unit_.options().unitClass),
            unit_.options().closeAfterLogin);
    else if (unit_.options().closeAfterLogin)
      CloseWhenIdle();
    // The flood hits the first accepted login only: a unit that recovers from it
    // answers the next connection as before.
    static bool flooded = false;
    if (loggedIn_ && unit_.options().garbageFloodS > 0 && !flooded) {
      flooded = true;
      StartFlood();
    }
    return;
  }

  // A unit serves nothing else to a client that has not logged in.
  if (!loggedIn_) {
    logRx(QStringLiteral("not logged in"));
    return;
  }

  switch (type) {
    case zam::ZAM_SPI_KEY: {
      const auto key = zam::ParseSpiKeyFrame(frame);
      if (key) {
        fields.append(LogField("key", int(*key)));
        fields.append(LogField("key_name", zam::SPIKeyName(*key)));
      }
      logRx();
      if (key) unit_.PressKey(Unit::KeySet::Ethernet, *key, "tcp");
      return;
    }
    case zam::ZAM_STATUS_REQUEST: {
      logRx();
      zam::StatusFields status;
      status.versionMajor = unit_.options().versionMajor;
      status.versionMinor = unit_.options().versionMinor;
      status.name = unit_.options().name;
      status.name2 = unit_.options().name2;
      status.mac = unit_.options().mac;
      status.unitType = unit_.options().unitType;
      if (!silent) Reply(zam::BuildStatusReply(status));
      return;
    }
    case zam::ZAM_LED_STATUS_REQUEST:
      fields.append(LogField("led", int(unit_.led())));
      logRx();
      if (!silent) Reply(zam::BuildLedReply(unit_.led()));
      return;
    case zam::ZAM_REBOOT_REQUEST:
      logRx();
      if (!silent) Reply(zam::BuildRebootReply());
      unit_.Reboot("tcp");
      return;
    case zam::ZAM_COMBO_BLOCK_REQUEST:
      logRx();
      if (!silent) Reply(zam::BuildComboResponse(unit_.comboHeader(), unit_.comboData()));
      return;
    case zam::ZAM_COMBO_BLOCK_SEND: {
      const auto block = zam::ParseComboSend(frame);
      if (!block) {
        // Not acknowledged: the PC must not take a block it never stored as set.
        logRx(QStringLiteral("bad combo block"));
        return;
      }
      fields.append(LogField("data_length", int(block->data.size())));
      logRx();
      unit_.StoreCombo(block->header, block->data);
      if (!silent) Reply(zam::BuildFrame(zam::ZAM_COMBO_BLOCK_SEND_RESPONSE));
      return;
    }
    default:
      logRx(QStringLiteral("unknown type"));
      return;
  }
}

void TcpClient::Reply(const QByteArray& frame, bool closeAfter) {
  if (closeAfter) closing_ = true;
  const int delay = unit_.options().delayMs;
  if (delay <= 0) {
    Queue(frame, closeAfter);
    return;
  }
  ++delayed_;
  QTimer::singleShot(delay, this, [this, frame, closeAfter] {
    --delayed_;
    Queue(frame, closeAfter);
  });
}

void TcpClient::Queue(const QByteArray& frame, bool closeAfter) {
  if (socket_->state() != QAbstractSocket::ConnectedState || mute_) return;
  const qint32 type = zam::FrameType(frame).value_or(0);
  if (unit_.options().halfReplyTcp.contains(quint32(type))) {
    // The unit stops mid-frame and is never heard of again on this link.
    const QByteArray half = frame.left(frame.size() / 2);
    unit_.log().Tx("tcp", half, TypeFields(type, id_) + LogFields{{"cut", true}});
    socket_->write(half);
    socket_->flush();
    mute_ = true;
    return;
  }
  unit_.log().Tx("tcp", frame, TypeFields(type, id_));
  if (closeAfter) closing_ = true;
  // The extra bytes leave in the same write, as a unit's next frame may.
  QByteArray bytes = frame;
  if (const int extra = unit_.options().appendLedBytes; extra > 0) {
    const QByteArray tail = zam::BuildLedReply(unit_.led()).left(extra);
    unit_.log().Event("tcp", QStringLiteral("append"), {{"conn", id_}, {"hex", QString(tail.toHex(' '))}});
    bytes += tail;
  }
  const int chunk = unit_.options().chunk;
  if (chunk <= 0) {
    socket_->write(bytes);
    CloseIfIdle();
    return;
  }
  out_ += bytes;
  if (!gap_.isActive()) {
    SendPiece();
    if (!out_.isEmpty()) gap_.start();
  }
}

void TcpClient::SendPiece() {
  const int n = int(qMin<qsizetype>(unit_.options().chunk, out_.size()));
  if (n > 0) {
    socket_->write(out_.left(n));
    socket_->flush();
    out_.remove(0, n);
  }
  if (out_.isEmpty()) {
    gap_.stop();
    CloseIfIdle();
  }
}

void TcpClient::CloseWhenIdle() {
  closing_ = true;
  CloseIfIdle();
}

void TcpClient::CloseIfIdle() {
  if (!closing_ || delayed_ > 0 || !out_.isEmpty()) return;
  // Written bytes still go out before the connection closes.
  if (socket_->state() == QAbstractSocket::ConnectedState) socket_->disconnectFromHost();
}

void TcpClient::Reset() {
  closing_ = true;
  // A zero linger time makes the close send a reset instead of a FIN.
  const qintptr fd = socket_->socketDescriptor();
  if (fd >= 0) {
    const linger hard{1, 0};
    ::setsockopt(int(fd), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  }
  socket_->abort();
}

void TcpClient::StartFlood() {
  floodLeft_.setRemainingTime(qint64(unit_.options().garbageFloodS) * 1000);
  flood_.setInterval(5);
  connect(&flood_, &QTimer::timeout, this, &TcpClient::TopUpFlood, Qt::UniqueConnection);
  unit_.log().Event("tcp", QStringLiteral("flood"), {{"conn", id_}, {"seconds", unit_.options().garbageFloodS}});
  flood_.start();
  TopUpFlood();
}

void TcpClient::EndFlood() {
  flood_.stop();
  unit_.log().Event("tcp", QStringLiteral("flood end"), {{"conn", id_}, {"bytes", double(floodBytes_)}});
}

void TcpClient::TopUpFlood() {
  if (floodLeft_.hasExpired() || socket_->state() != QAbstractSocket::ConnectedState) {
    EndFlood();
    return;
  }
  // Kept a little ahead of the reader, as fast as it takes the bytes.
  constexpr int kPiece = 64 * 1024;
  while (socket_->bytesToWrite() < 4 * kPiece) {
    QByteArray g(kPiece, Qt::Uninitialized);
    for (char& c : g) c = char(rng_() & 0xFF);
    // Now and then a frame start, so that frames also begin and never end.
    for (int at = int(rng_() % 512); at + 8 <= kPiece; at += 256 + int(rng_() % 2048)) {
      g[at] = char(0xFF);
      g[at + 1] = char(0xFF);
    }
    socket_->write(g);
    floodBytes_ += g.size();
  }
}

TcpSide::TcpSide(Unit& unit, QObject* parent) : QObject(parent), unit_(unit) {
  connect(&server_, &QTcpServer::newConnection, this, &TcpSide::OnNewConnection);
  connect(&unit_, &Unit::rebooting, this, &TcpSide::OnReboot);
}

bool TcpSide::Start(QString* error) {
  const Options& o = unit_.options();
  if (!server_.listen(o.tcpAddress, o.tcpPort)) {
    *error = QStringLiteral("cannot listen on %1:%2: %3")
                 .arg(o.tcpAddress.toString())
                 .arg(o.tcpPort)
                 .arg(server_.errorString());
    return false;
  }
  return true;
}

void TcpSide::OnNewConnection() {
  while (QTcpSocket* socket = server_.nextPendingConnection())
    clients_.append(new TcpClient(socket, unit_, nextId_++, this));
  clients_.removeAll(nullptr);
}

void TcpSide::OnReboot() {
  clients_.removeAll(nullptr);
  for (const QPointer<TcpClient>& c : clients_)
    if (c) c->CloseWhenIdle();
}

}  // namespace unitsim
