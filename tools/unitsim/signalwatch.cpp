#include "signalwatch.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace unitsim {

namespace {

int g_pipe[2] = {-1, -1};

void OnSignalAsync(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t n = ::write(g_pipe[0], &byte, 1);
  errno = saved;
}

}  // namespace

SignalWatch::SignalWatch(QObject* parent) : QObject(parent) {}

SignalWatch::~SignalWatch() {
  ::signal(SIGTERM, SIG_DFL);
  ::signal(SIGINT, SIG_DFL);
  ::signal(SIGUSR1, SIG_DFL);
  ::signal(SIGUSR2, SIG_DFL);
}

bool SignalWatch::Start() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
    return false;
  notifier_ = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &SignalWatch::OnSignal);
  struct sigaction sa {};
  sa.sa_handler = OnSignalAsync;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  return ::sigaction(SIGTERM, &sa, nullptr) == 0 && ::sigaction(SIGINT, &sa, nullptr) == 0 &&
         ::sigaction(SIGUSR1, &sa, nullptr) == 0 && ::sigaction(SIGUSR2, &sa, nullptr) == 0;
}

void SignalWatch::OnSignal() {
  unsigned char byte = 0;
  if (::read(g_pipe[1], &byte, 1) != 1) return;
  if (byte == SIGUSR1) emit serialGone();
  else if (byte == SIGUSR2) emit serialBack();
  else emit terminate(byte);
}

}  // namespace unitsim
