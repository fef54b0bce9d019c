// Saves a picture of the main window as it first shows, in English or, with
// --chinese, as it starts in a Chinese locale; --font sets the dialog face.
// Works without a display under the offscreen platform
// (QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QPixmap>
#include <cstdio>
#include <memory>

#include "platform/qt/qt_window.h"
#include "res/control_ids.h"
#include "ui/main_dialog.h"

namespace {

// The picture needs no reader: no HID interface is present.
class NoHidInterfaces final : public magcfg::reader::HidSystem {
 public:
  magcfg::reader::WalkEnd WalkInterfaces(const std::function<bool(const std::string&)>&) override {
    return magcfg::reader::WalkEnd::Completed;
  }
  magcfg::reader::OpenResult Open(const std::string&) override {
    return {nullptr, magcfg::reader::OpenFailure::NotFound};
  }
  void Pause(int) override {}
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QString output;
  QString family;
  bool chinese = false;
  const QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QLatin1String("--chinese")) {
      chinese = true;
    } else if (arguments[i] == QLatin1String("--font") && i + 1 < arguments.size()) {
      family = arguments[++i];
    } else if (output.isEmpty() && !arguments[i].startsWith(QLatin1Char('-'))) {
      output = arguments[i];
    } else {
      output.clear();
      break;
    }
  }
  if (output.isEmpty()) {
    std::fprintf(stderr, "usage: magcfg_screenshot [--chinese] [--font FAMILY] OUTPUT.png\n"
                         "(QT_SCALE_FACTOR=2 for a picture at scale 2)\n");
    return 2;
  }

  NoHidInterfaces hid;
  magcfg::ModuleState state;
  QFont font = magcfg::qt::DialogFont();
  if (!family.isEmpty()) font.setFamily(family);
  magcfg::qt::QtWindow window(font);
  magcfg::MainDialog dialog(window, hid, state);
  // As the program starts in a Chinese locale.
  if (chinese) dialog.SetStartLanguage(magcfg::UiLanguage::Chinese);
  window.Attach(dialog);
  window.Initialise();
  window.show();
  QApplication::processEvents();
  if (!window.grab().save(output, "PNG")) {
    std::fprintf(stderr, "magcfg_screenshot: cannot write %s\n", output.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
