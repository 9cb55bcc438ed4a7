// cadserv-desktop: the operator's desktop host (placeholder while the host is assembled).
#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return 0;
}
