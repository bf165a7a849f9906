#include "tcpadapter.h"

#include <sys/socket.h>

namespace zam {

TcpAdapter::TcpAdapter(QObject* parent) : QObject(parent) {
  socket_.setObjectName("wskClient");
  connect(&socket_, &QTcpSocket::readyRead, this, [this] {
    const qint64 n = socket_.bytesAvailable();
    if (n > 0) emit DataArrival(n);
  });
  // A key frame is a few bytes that must leave at once, not wait for more.
  connect(&socket_, &QTcpSocket::connected, this,
          [this] { socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1); });
  connect(&socket_, &QTcpSocket::disconnected, this, [this] { peerClosed_ = true; });
  connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
    if (e == QAbstractSocket::RemoteHostClosedError)
      peerClosed_ = true;
    else
      failed_ = true;
    lastError_ = e;
  });
}

int TcpAdapter::State() const {
  if (failed_) return sckError;
  switch (socket_.state()) {
    case QAbstractSocket::HostLookupState: return sckResolvingHost;
    case QAbstractSocket::ConnectingState: return sckConnecting;
    case QAbstractSocket::ConnectedState: return peerClosed_ ? sckClosing : sckConnected;
    case QAbstractSocket::ClosingState: return sckClosing;
    case QAbstractSocket::BoundState: return sckOpen;
    case QAbstractSocket::ListeningState: return sckListening;
    case QAbstractSocket::UnconnectedState: return peerClosed_ ? sckClosing : sckClosed;
  }
  return sckClosed;
}

void TcpAdapter::Connect(const QString& host, quint16 port) {
  peerClosed_ = false;
  failed_ = false;
  lastError_ = QAbstractSocket::UnknownSocketError;
  port_ = port;
  socket_.connectToHost(host, port);
}

void TcpAdapter::Close() {
  // Our own close is not the peer's: keep the flags from reporting one.
  socket_.blockSignals(true);
  socket_.abort();
  socket_.blockSignals(false);
  peerClosed_ = false;
  failed_ = false;
}

bool TcpAdapter::SendData(const QByteArray& bytes) {
  if (socket_.state() != QAbstractSocket::ConnectedState) return false;
  // With nothing queued before it, the frame goes to the kernel at once: going
  // through the socket's buffer switches its write notifier on and off, which
  // costs the event loop a wake-up of its own at every frame. What the kernel
  // does not take, and any failure, takes the socket's own way (which reports it).
  QByteArray rest = bytes;
  if (socket_.bytesToWrite() == 0 && socket_.socketDescriptor() >= 0) {
    const ssize_t sent = ::send(int(socket_.socketDescriptor()), bytes.constData(), size_t(bytes.size()),
                                MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent == bytes.size()) return true;
    if (sent > 0) rest = bytes.mid(sent);
  }
  if (socket_.write(rest) != rest.size()) return false;
  // Handed to the kernel now rather than on a later pass of the event loop.
  socket_.flush();
  return true;
}

QByteArray TcpAdapter::GetData(qint64 n) { return socket_.read(n); }

QString TcpAdapter::FailureReason() const {
  switch (lastError_) {
    case QAbstractSocket::ConnectionRefusedError: return QStringLiteral("connection refused on port %1").arg(port_);
    case QAbstractSocket::NetworkError: return QStringLiteral("no route to the unit on port %1").arg(port_);
    case QAbstractSocket::HostNotFoundError: return QStringLiteral("host not found");
    case QAbstractSocket::SocketAccessError: return QStringLiteral("permission denied on port %1").arg(port_);
    default: return QString();
  }
}

}  // namespace zam
