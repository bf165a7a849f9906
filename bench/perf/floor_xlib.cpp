// The floor of the key and click figures: a bare Xlib client that writes a
// key frame to the unit on every key press and button press in its window.
//   bench_floor_xlib PORT LOGIN_HEX KEY_HEX
// It connects to 127.0.0.1:PORT, sends the login frame, reads the reply,
// maps a 300x200 window at (0,0) and prints "ready" once it is mapped.
#include <X11/Xlib.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

static size_t FromHex(const char* hex, unsigned char* out, size_t max) {
  size_t n = 0;
  while (*hex && n < max) {
    while (*hex == ' ') ++hex;
    if (!hex[0] || !hex[1]) break;
    char byte[3] = {hex[0], hex[1], 0};
    out[n++] = (unsigned char)strtoul(byte, NULL, 16);
    hex += 2;
  }
  return n;
}

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  unsigned char login[256], key[64], reply[256];
  const size_t loginSize = FromHex(argv[2], login, sizeof login);
  const size_t keySize = FromHex(argv[3], key, sizeof key);
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  struct sockaddr_in to;
  memset(&to, 0, sizeof to);
  to.sin_family = AF_INET;
  to.sin_port = htons((unsigned short)atoi(argv[1]));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, (struct sockaddr*)&to, sizeof to) != 0) return 1;
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (write(fd, login, loginSize) != (ssize_t)loginSize) return 1;
  if (read(fd, reply, sizeof reply) <= 0) return 1;

  Display* dpy = XOpenDisplay(NULL);
  if (!dpy) return 1;
  const Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 300, 200, 0, 0, 0);
  XSelectInput(dpy, w, KeyPressMask | ButtonPressMask | StructureNotifyMask);
  XMapWindow(dpy, w);
  for (;;) {
    XEvent e;
    XNextEvent(dpy, &e);
    if (e.type == MapNotify) {
      printf("ready\n");
      fflush(stdout);
    } else if (e.type == KeyPress || e.type == ButtonPress) {
      if (write(fd, key, keySize) != (ssize_t)keySize) return 1;
    }
  }
}
