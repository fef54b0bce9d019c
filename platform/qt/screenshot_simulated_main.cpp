// Saves a picture of the main window and the simulated reader's window side
// by side, as `magcfg --simulate` shows them after the good sample card was
// swiped into the swipe box. Each window is drawn with a plain title bar so
// that the two read as separate windows. Works without a display under the
// offscreen platform (QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QDeadlineTimer>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <cstdio>

#include "platform/qt/qt_window.h"
#include "platform/qt/simulated_reader_window.h"
#include "platform/simulated/demo_reader.h"
#include "platform/simulated/simulated_hid.h"
#include "res/control_ids.h"
#include "ui/main_dialog.h"

namespace {

constexpr int kMargin = 16;
constexpr int kTitleHeight = 24;

// Waits for the event loop until `done`, at most two seconds.
template <typename Done>
bool ProcessEventsUntil(Done done) {
  const QDeadlineTimer deadline(2000);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// The window's picture under a title bar, with a border around both.
QPixmap Framed(QWidget& window) {
  const QPixmap client = window.grab();
  QPixmap framed(client.width() + 2, client.height() + kTitleHeight + 2);
  framed.fill(QColor(0x3B, 0x4A, 0x5C));
  QPainter painter(&framed);
  painter.drawPixmap(1, kTitleHeight + 1, client);
  QFont font = window.font();
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(10, 0, framed.width() - 20, kTitleHeight), Qt::AlignVCenter | Qt::AlignLeft,
                   window.windowTitle());
  return framed;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() != 2 || arguments[1].startsWith(QLatin1Char('-'))) {
    std::fprintf(stderr, "usage: magcfg_screenshot_simulated OUTPUT.png\n");
    return 2;
  }
  const QString output = arguments[1];

  // The demo reader on a virtual clock: the picture needs no waiting.
  magcfg::sim::SimulatedHidSystem hid(magcfg::sim::SaneReaderConfig());
  magcfg::ModuleState state;
  magcfg::qt::QtWindow window;
  magcfg::MainDialog dialog(window, hid, state);
  window.Attach(dialog);
  window.SetMessageBoxHook([](QMessageBox&) {});
  window.Initialise();
  magcfg::qt::SimulatedReaderWindow readerWindow(hid.Reader(), window, magcfg::UiLanguage::English);

  window.show();
  window.activateWindow();
  if (!ProcessEventsUntil([&] { return QApplication::activeWindow() == &window; })) {
    std::fprintf(stderr, "magcfg_screenshot_simulated: the main window did not become active\n");
    return 1;
  }
  dialog.OnFindDevice();
  window.SetFocus(magcfg::ctl::kSwipeBox);
  readerWindow.Swipe(magcfg::qt::SampleCard::Good);
  if (!ProcessEventsUntil([&] { return !readerWindow.Typing(); })) {
    std::fprintf(stderr, "magcfg_screenshot_simulated: the swipe was not typed\n");
    return 1;
  }
  QApplication::processEvents();

  const QPixmap main = Framed(window);
  const QPixmap reader = Framed(readerWindow);
  QPixmap picture(kMargin + main.width() + magcfg::qt::kGapBesideMainWindow + reader.width() + kMargin,
                  kMargin + std::max(main.height(), reader.height()) + kMargin);
  picture.fill(QColor(0xD5, 0xD9, 0xDE));
  QPainter painter(&picture);
  painter.drawPixmap(kMargin, kMargin, main);
  painter.drawPixmap(kMargin + main.width() + magcfg::qt::kGapBesideMainWindow, kMargin, reader);
  painter.end();
  if (!picture.save(output, "PNG")) {
    std::fprintf(stderr, "magcfg_screenshot_simulated: cannot write %s\n", output.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
