#include "platform/qt/application_start.h"

#include <QGuiApplication>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace magcfg::qt {
namespace {

constexpr int kExitNoDisplay = 1;

struct HeldMessage {
  QtMsgType type;
  QByteArray category;
  QString text;
};

QtMessageHandler previousHandler = nullptr;
std::string guardedProgram;
std::vector<HeldMessage>* heldMessages = nullptr;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    // The toolkit would abort next: say it in one line and end.
    std::fputs((NoDisplayServerText(guardedProgram) + "\n").c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(kExitNoDisplay);
  }
  if (heldMessages != nullptr) heldMessages->push_back({type, QByteArray(context.category), text});
}

}  // namespace

void SetApplicationIdentity() {
  QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
}

UiLanguage StartLanguage(const CommandLine& line) {
  if (line.language) return *line.language;
  return LanguageOfLocale(Environment("LC_ALL"), Environment("LC_MESSAGES"), Environment("LANG"));
}

std::string NoDisplayServerText(const std::string& programName) {
  std::string where;
  const std::string platform = Environment("QT_QPA_PLATFORM");
  const std::string wayland = Environment("WAYLAND_DISPLAY");
  const std::string x11 = Environment("DISPLAY");
  if (!platform.empty() && !platform.starts_with("xcb") && !platform.starts_with("wayland")) {
    where = " QT_QPA_PLATFORM=" + platform;
  } else if (platform.starts_with("wayland") && !wayland.empty()) {
    where = " WAYLAND_DISPLAY=" + wayland;
  } else if (!x11.empty()) {
    where = " DISPLAY=" + x11;
  } else if (!wayland.empty()) {
    where = " WAYLAND_DISPLAY=" + wayland;
  }
  return programName + ": cannot open the display" + where +
         ": no display server answers there. Run it on a desktop, or under a virtual X server: xvfb-run -a " +
         programName;
}

DisplayStartGuard::DisplayStartGuard(std::string programName) {
  guardedProgram = std::move(programName);
  heldMessages = new std::vector<HeldMessage>();
  previousHandler = qInstallMessageHandler(HoldMessage);
}

DisplayStartGuard::~DisplayStartGuard() {
  qInstallMessageHandler(previousHandler);
  std::vector<HeldMessage>* held = std::exchange(heldMessages, nullptr);
  for (const HeldMessage& message : *held) {
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.isEmpty() ? nullptr : message.category.constData());
    qt_message_output(message.type, context, message.text);
  }
  delete held;
}

}  // namespace magcfg::qt
