#include "kaymortest.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include "debuglog.h"
#include "eventpump.h"
#include "pictures.h"
#include "settingsstore.h"

namespace kaymortest {

namespace {
QTemporaryDir* root = nullptr;
}

void IsolateEnvironment() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  root = new QTemporaryDir();  // lives until the process ends
  const QString base = root->path();
  for (const char* sub : {"config", "data", "run", "xdg-run"}) QDir().mkpath(base + '/' + sub);
  QFile::setPermissions(base + "/xdg-run", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base + "/xdg-run"));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(base + "/config"));
  qputenv("XDG_DATA_HOME", QFile::encodeName(base + "/data"));
  qputenv("TMPDIR", QFile::encodeName(base + "/run"));
}

QString TempRoot() { return root ? root->path() : QString(); }

void ResetSettings() { QFile::remove(zam::SettingsFilePath()); }

QString SettingsText() {
  QFile f(zam::SettingsFilePath());
  if (!f.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(f.readAll());
}

QStringList SectionLines(const QString& section) {
  QStringList out;
  bool inside = false;
  for (const QString& raw : SettingsText().split('\n')) {
    const QString line = raw.trimmed();
    if (line.startsWith('[')) {
      inside = line == '[' + section + ']';
      continue;
    }
    if (inside && !line.isEmpty()) out << line;
  }
  return out;
}

void WriteLedPictures() {
  zam::SetPictureRoot(TempRoot());
  QDir().mkpath(TempRoot() + "/Images");
  QImage dot(4, 4, QImage::Format_RGB32);
  for (auto [name, color] : {std::pair{"zam_led_r.jpg", Qt::red}, std::pair{"zam_led_w.jpg", Qt::white}}) {
    dot.fill(color);
    QVERIFY(dot.save(TempRoot() + "/Images/" + name));
  }
}

MsgRecorder::MsgRecorder(zam::MsgAnswer a) : answer(a) {
  zam::SetMsgHandler([this](const zam::MsgRequest& r) {
    shown << r;
    return answer;
  });
}

MsgRecorder::~MsgRecorder() { zam::SetMsgHandler({}); }

Window::~Window() {
  if (!w) return;
  // Leave no link open and no debug log behind for the next test.
  if (w->IsConnected()) w->cmdConnect_Click();
  w.reset();
  zam::CloseDebugLog();
}

bool Window::Load(const QStringList& args) {
  w = std::make_unique<zam::frmZAMKeyboard>();
  if (!w->Form_Load(args)) return false;
  // Timed discovery broadcasts on every local address (first at tick 5): a
  // window test gets it only by storing "0" itself, inside a namespace of its own.
  if (zam::GetSetting("Options", "DisOption", QString()).isEmpty())
    zam::SaveSetting("Options", "DisOption", "1");
  w->show();
  return true;
}

void Window::Choose(QComboBox* box, const QString& text) {
  const int index = box->findText(text);
  QVERIFY2(index >= 0, qPrintable(text));
  box->setCurrentIndex(index);
  emit box->activated(index);
}

struct FileModesApply::Saved {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  bool dropped = false;
};

FileModesApply::FileModesApply() : saved_(std::make_unique<Saved>()) {
  if (geteuid() != 0 || syscall(SYS_capget, &saved_->header, saved_->data) != 0) return;
  __user_cap_data_struct reduced[2] = {saved_->data[0], saved_->data[1]};
  for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) reduced[cap / 32].effective &= ~(1u << (cap % 32));
  saved_->dropped = syscall(SYS_capset, &saved_->header, reduced) == 0;
}

FileModesApply::~FileModesApply() {
  if (saved_->dropped) syscall(SYS_capset, &saved_->header, saved_->data);
}

bool FileModesApply::Applies() const { return geteuid() != 0 || saved_->dropped; }

KaymorProcess::~KaymorProcess() {
  if (p.state() != QProcess::NotRunning) {
    p.kill();
    p.waitForFinished(3000);
  }
}

void KaymorProcess::Start(QProcess::ProcessChannelMode mode) {
  p.setProgram(QStringLiteral(KAYMOR_BIN_DIR "/kaymor"));
  p.setProcessChannelMode(mode);
  p.start();
  p.waitForStarted(5000);
}

bool KaymorProcess::Finished(int ms) { return QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, ms); }

QString RunningMarker() {
  for (const QString& line : SectionLines("Options"))
    if (line.startsWith("Running=")) return line.mid(8);
  return "absent";
}

Pty::Pty() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
  char name[128] = {};
  if (::ptsname_r(master_, name, sizeof name) == 0) path_ = QString::fromLocal8Bit(name);
}

Pty::~Pty() {
  if (master_ >= 0) ::close(master_);
}

SerialByIdTree::SerialByIdTree() : folder_(TempRoot() + QStringLiteral("/serial-by-id")) {
  QDir(folder_).removeRecursively();
  QDir().mkpath(folder_);
  qputenv("KAYMOR_SERIAL_BY_ID", QFile::encodeName(folder_));
}

SerialByIdTree::~SerialByIdTree() {
  qunsetenv("KAYMOR_SERIAL_BY_ID");
  QDir(folder_).removeRecursively();
}

QString SerialByIdTree::Path(const QString& name) const { return folder_ + QLatin1Char('/') + name; }

QString SerialByIdTree::Plug(const QString& name, const QString& device) {
  QFile::remove(Path(name));
  return QFile::link(device, Path(name)) ? Path(name) : QString();
}

void SerialByIdTree::Pull(const QString& name) { QFile::remove(Path(name)); }

QList<int> NumbersWithoutUart() {
  QList<int> numbers;
  for (int n = 1; n <= 16; ++n) {
    QSerialPort port;
    port.setPortName(QStringLiteral("/dev/ttyS%1").arg(n - 1));
    if (port.open(QIODevice::ReadWrite)) continue;
    // A UART this user may not open still keeps its number.
    QFile type(QStringLiteral("/sys/class/tty/ttyS%1/type").arg(n - 1));
    const bool uart = port.error() == QSerialPort::PermissionError && type.open(QIODevice::ReadOnly) &&
                      type.readAll().trimmed().toInt() != 0;
    if (!uart) numbers << n;
  }
  return numbers;
}

QString Window::Click() {
  w->cmdConnect_Click();
  return Status();
}

UnitSim::~UnitSim() { Stop(); }

bool UnitSim::Start(QStringList args) {
  static int count = 0;
  logPath = QStringLiteral("%1/unitsim%2.log").arg(TempRoot()).arg(++count);
  args << "--no-udp" << "--log" << logPath;
  if (!args.contains("--no-tcp") && !args.contains("--tcp")) args << "--tcp" << "127.0.0.1:0";
  process.setProgram(QStringLiteral(UNITSIM_PATH));
  process.setArguments(args);
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start();
  if (!process.waitForStarted(5000)) return false;
  QString out;
  const bool ready = QTest::qWaitFor(
      [&] {
        out += QString::fromLocal8Bit(process.readAllStandardOutput());
        return out.contains("ready\n") || process.state() == QProcess::NotRunning;
      },
      10000);
  for (const QString& line : out.split('\n')) {
    if (line.startsWith("tcp: ")) tcpPort = line.section(':', -1).toUShort();
    if (line.startsWith("pty: ")) pty = line.mid(5).trimmed();
  }
  return ready && process.state() == QProcess::Running;
}

void UnitSim::Stop() {
  if (process.state() == QProcess::NotRunning) return;
  Resume();
  process.terminate();
  if (!process.waitForFinished(3000)) {
    process.kill();
    process.waitForFinished(3000);
  }
}

void UnitSim::Pause() {
  if (process.processId() > 0) ::kill(static_cast<pid_t>(process.processId()), SIGSTOP);
}

void UnitSim::Resume() {
  if (process.processId() > 0) ::kill(static_cast<pid_t>(process.processId()), SIGCONT);
}

QList<QJsonObject> UnitSim::Received(const QString& link) const {
  QList<QJsonObject> out;
  QFile f(logPath);
  if (!f.open(QIODevice::ReadOnly)) return out;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    if (o.value("link").toString() == link && o.value("dir").toString() == "rx") out << o;
  }
  return out;
}

QString RepeatBeatFault(const QList<qint64>& readUs, int periodMs) {
  for (qsizetype i = 1; i < readUs.size(); ++i) {
    const qint64 gapMs = (readUs[i] - readUs[i - 1]) / 1000;
    const qint64 sinceFirstMs = (readUs[i] - readUs[0]) / 1000;
    if (gapMs > 200 || sinceFirstMs < periodMs * i - 70)
      return QStringLiteral("repeat %1: %2 ms after the one before, %3 ms after the first")
          .arg(i)
          .arg(gapMs)
          .arg(sinceFirstMs);
  }
  return {};
}

void SeedTcpEntry(quint16 port, const QString& password) {
  zam::SaveSetting("IPAddressList", "CommType", "1");
  zam::SaveSetting("IPAddressList", "Total", "1");
  zam::SaveSetting("IPAddressList", "IP0", QStringLiteral("127.0.0.1,ZAM4,SIM0001,%1,%2").arg(password).arg(port));
  zam::SaveSetting("IPAddressList", "LastUsed", "127.0.0.1, ZAM4, SIM0001");
  zam::SaveSetting("Options", "DisOption", "1");
  zam::SaveSetting("Options", "Version", "1.01.1004");
}

}  // namespace kaymortest
