#pragma once
// The main window's TCP client, reporting the socket states the link code
// tests: 0 closed, 4 resolving, 6 connecting, 7 connected, 8 peer closing,
// 9 error.
#include <QObject>
#include <QTcpSocket>

namespace zam {

enum WinsockState : int {
  sckClosed = 0,
  sckOpen = 1,
  sckListening = 2,
  sckConnectionPending = 3,
  sckResolvingHost = 4,
  sckHostResolved = 5,
  sckConnecting = 6,
  sckConnected = 7,
  sckClosing = 8,
  sckError = 9,
};

class TcpAdapter : public QObject {
  Q_OBJECT
 public:
  explicit TcpAdapter(QObject* parent = nullptr);

  int State() const;
  void Connect(const QString& host, quint16 port);
  void Close();
  // True when the socket took all bytes.
  bool SendData(const QByteArray& bytes);
  // Reads up to n of the bytes that have arrived.
  QByteArray GetData(qint64 n);
  // Why the last connect failed, as the platform said it, with the port
  // ("connection refused on port 1024"); empty when it gave no reason
  // (a time-out, or no failure).
  QString FailureReason() const;

 signals:
  // bytesTotal bytes are waiting to be read.
  void DataArrival(qint64 bytesTotal);

 private:
  QTcpSocket socket_;
  bool peerClosed_ = false;
  bool failed_ = false;
  QAbstractSocket::SocketError lastError_ = QAbstractSocket::UnknownSocketError;
  quint16 port_ = 0;
};

}  // namespace zam
