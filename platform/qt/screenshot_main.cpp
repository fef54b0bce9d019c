// Saves a picture of the main window as it first shows, in English or, with
// --chinese, after the switch to Chinese. Works without a display under the
// offscreen platform (QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QPixmap>
#include <cstdio>
#include <memory>

#include "platform/qt/qt_window.h"
#include "ui/control_ids.h"
#include "ui/main_dialog.h"

namespace {

// The picture needs no reader: no HID interface is present.
class NoHidInterfaces final : public magcfg::reader::HidSystem {
 public:
  std::unique_ptr<magcfg::reader::HidInterfaceList> ListInterfaces() override { return nullptr; }
  std::unique_ptr<magcfg::reader::HidDevice> Open(const std::string&) override { return nullptr; }
  void Pause(int) override {}
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QString output;
  bool chinese = false;
  const QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QLatin1String("--chinese")) {
      chinese = true;
    } else if (output.isEmpty() && !arguments[i].startsWith(QLatin1Char('-'))) {
      output = arguments[i];
    } else {
      output.clear();
      break;
    }
  }
  if (output.isEmpty()) {
    std::fprintf(stderr, "usage: magcfg_screenshot [--chinese] OUTPUT.png\n");
    return 2;
  }

  NoHidInterfaces hid;
  magcfg::ModuleState state;
  magcfg::qt::QtWindow window;
  magcfg::MainDialog dialog(window, hid, state);
  window.Attach(dialog);
  window.Initialise();
  if (chinese) {
    window.SetChecked(magcfg::ctl::kLanguageChinese, true);
    window.SetChecked(magcfg::ctl::kLanguageEnglish, false);
    dialog.OnNotify(magcfg::ctl::kLanguageChinese, magcfg::Notification::Clicked);
  }
  window.show();
  QApplication::processEvents();
  if (!window.grab().save(output, "PNG")) {
    std::fprintf(stderr, "magcfg_screenshot: cannot write %s\n", output.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
