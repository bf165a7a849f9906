// The floor of a command-line program's memory: a bare QCoreApplication that
// prints one line and exits.
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  std::puts("floor");
  return 0;
}
