// Starts the window as the program does (on the simulated reader, offscreen
// or on the display given), prints on stdout when its first frame has been
// painted, then, after a second at rest, its resident memory; then exits.
// With --bare it shows a plain empty toolkit window instead: the floor, what
// the toolkit alone costs. magcfg_startup_bench runs it repeatedly and times
// it from the outside.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/qt/qt_window.h"
#include "platform/simulated/demo_reader.h"
#include "ui/main_dialog.h"

namespace {

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// Reports the first paint of the window once, then lets the window rest.
class FirstFrame : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      // After the paint has been handled: the frame is then complete.
      QTimer::singleShot(0, [] {
        std::printf("first-frame\n");
        std::fflush(stdout);
      });
      QTimer::singleShot(1000, [] {
        std::printf("rss-kb %ld\n", ResidentKilobytes());
        std::fflush(stdout);
        QApplication::exit(0);
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool seen_ = false;
};

magcfg::ModuleState moduleState;

}  // namespace

int main(int argc, char** argv) {
  const bool bare = argc > 1 && std::string(argv[1]) == "--bare";
  QApplication application(argc, argv);
  FirstFrame firstFrame;
  if (bare) {
    QWidget plain;
    plain.installEventFilter(&firstFrame);
    plain.show();
    return application.exec();
  }
  const auto hid = magcfg::sim::MakeDemoHidSystem();
  magcfg::qt::QtWindow window;
  magcfg::MainDialog dialog(window, *hid, moduleState);
  window.Attach(dialog);
  window.Initialise();
  window.installEventFilter(&firstFrame);
  window.show();
  return application.exec();
}
