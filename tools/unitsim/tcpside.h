#pragma once
// The unit's TCP keyboard protocol: one listening socket, any number of
// clients (the keyboard window and the combo-block control connect apart).
#include "unit.h"
#include "zamtcp.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <random>

namespace unitsim {

class TcpClient : public QObject {
  Q_OBJECT
 public:
  TcpClient(QTcpSocket* socket, Unit& unit, int id, QObject* parent);

  // Closes once every reply already decided on has gone out.
  void CloseWhenIdle();

 private:
  void OnReadyRead();
  void Handle(const QByteArray& frame);
  // Sends a reply after --delay-ms, in --chunk pieces; closeAfter drops the
  // connection once it is out.
  void Reply(const QByteArray& frame, bool closeAfter = false);
  void Queue(const QByteArray& frame, bool closeAfter);
  void SendPiece();
  void CloseIfIdle();
  // Link faults: a hard reset, and the garbage flood after login.
  void Reset();
  void StartFlood();
  void TopUpFlood();
  void EndFlood();

  QTcpSocket* socket_;
  Unit& unit_;
  int id_;
  zam::FrameAssembler assembler_;
  bool loggedIn_ = false;
  bool closing_ = false;  // no more requests are answered
  int delayed_ = 0;       // replies waiting out --delay-ms
  QByteArray out_;        // reply bytes not yet written
  QTimer gap_;
  bool mute_ = false;  // a reply was cut: nothing more is said on this link
  QTimer flood_;
  QDeadlineTimer floodLeft_;
  qint64 floodBytes_ = 0;
  std::minstd_rand rng_{20240611};
};

class TcpSide : public QObject {
  Q_OBJECT
 public:
  TcpSide(Unit& unit, QObject* parent = nullptr);
  bool Start(QString* error);
  quint16 port() const { return server_.serverPort(); }

 private:
  void OnNewConnection();
  void OnReboot();

  Unit& unit_;
  QTcpServer server_;
  QList<QPointer<TcpClient>> clients_;
  int nextId_ = 1;
};

}  // namespace unitsim
