#pragma once
// The unit's serial line on a pseudo-terminal. Clients open the slave side;
// the unit answers only while the line is set to its one baud rate.
#include "unit.h"
#include "zamserial.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

namespace unitsim {

class SerialSide : public QObject {
  Q_OBJECT
 public:
  SerialSide(Unit& unit, QObject* parent = nullptr);
  ~SerialSide() override;

  // Creates the pair (and the --pty-link symlink).
  bool Start(QString* error);
  QString slavePath() const { return slavePath_; }
  // The device vanishes as a pulled USB adapter does: both ends close (the
  // client's reads fail) and the link goes. Back makes a new pair and link.
  void Vanish();
  bool Back(QString* error);

  // The line's current rate as the client set it; 0 when not a standard rate.
  int CurrentBaud() const;

 private:
  void OnReadable();
  void Handle(const zam::SerialRequest& request, const QByteArray& bytes);
  void Reply(const QByteArray& block, quint8 blockNumber);
  void Write(const QByteArray& bytes, quint8 blockNumber);

  Unit& unit_;
  int master_ = -1;
  // Held open so that the master never sees a hang-up between clients.
  int slave_ = -1;
  QString slavePath_;
  QString link_;  // the symlink we made, removed again on exit
  QSocketNotifier* notifier_ = nullptr;
  QByteArray buffer_;
};

}  // namespace unitsim
