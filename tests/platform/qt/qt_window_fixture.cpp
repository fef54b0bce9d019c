#include "tests/platform/qt/qt_window_fixture.h"

#include <QAbstractScrollArea>
#include <algorithm>
#include <cstring>

#include "reader/reader_identity.h"

namespace magcfg::qt::test {
namespace {

// Answers every request at once with a reply whose byte 3 is set.
class AnsweringReader final : public reader::HidDevice {
 public:
  AnsweringReader(std::uint8_t byte3, std::uint16_t version) : byte3_(byte3), version_(version) {}
  std::optional<reader::HidAttributes> GetAttributes() override {
    return reader::HidAttributes{reader::kReaderVendorId, reader::kReaderProductId, version_};
  }
  std::optional<reader::ReportLengths> GetReportLengths() override { return reader::ReportLengths{65, 65}; }
  bool PassesUsageCheck(std::span<const std::uint8_t>) override { return true; }
  reader::LockStatus Lock(int) override { return reader::LockStatus::Owned; }
  void Unlock() override {}
  reader::WriteResult Write(std::span<const std::uint8_t> report, int) override {
    return {reader::TransferStatus::Completed, static_cast<std::uint32_t>(report.size())};
  }
  reader::TransferStatus Read(std::span<std::uint8_t> buffer, int) override {
    std::fill(buffer.begin(), buffer.end(), 0);
    if (buffer.size() > 3) buffer[3] = byte3_;
    return reader::TransferStatus::Completed;
  }
  void DiscardPendingReports() override {}  // it answers only when asked

 private:
  std::uint8_t byte3_;
  std::uint16_t version_;
};

}  // namespace

reader::WalkEnd TestHid::WalkInterfaces(const std::function<bool(const std::string& path)>& visit) {
  switch (present_) {
    case Present::Nothing:
      return reader::WalkEnd::Completed;
    case Present::DetailFailure:
      return reader::WalkEnd::DetailFailed;
    case Present::Reader:
      visit("/dev/test-reader");
      return reader::WalkEnd::Completed;
  }
  return reader::WalkEnd::ListFailed;
}

reader::OpenResult TestHid::Open(const std::string&) {
  if (present_ != Present::Reader) return {nullptr, reader::OpenFailure::NotFound};
  return {std::make_unique<AnsweringReader>(replyByte3, version), reader::OpenFailure::Other};
}

void QtWindowTest::SetUp() {
  window.Attach(dialog);
  window.SetMessageBoxHook([this](QMessageBox& box) {
    boxes.push_back({box.windowTitle(), box.text(), box.icon(), box.standardButtons(), box.parentWidget() == &window});
  });
  QObject::connect(&window, &QDialog::finished, [this](int result) { endResults.push_back(result); });
  window.Initialise();
}

void QtWindowTest::TearDown() {
  window.hide();
  QApplication::processEvents();
}

void QtWindowTest::ShowActive() {
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

int QtWindowTest::FocusedControl() const {
  const QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr) return -2;
  for (QWidget* widget : window.Widgets()) {
    if (widget == focus || widget->isAncestorOf(focus)) return widget->property("controlId").toInt();
  }
  return -2;
}

void QtWindowTest::ClickOn(int id) {
  QWidget* widget = W(id);
  ASSERT_NE(widget, nullptr);
  // A scroll area's text takes the click in its viewport.
  if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) widget = area->viewport();
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

void QtWindowTest::Key(Qt::Key key, const QString& text) {
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr) << "no widget has the focus";
  QTest::sendKeyEvent(QTest::Click, focus, key, text, Qt::NoModifier);
}

void QtWindowTest::Type(const QString& text) {
  for (QChar c : text) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << "no widget has the focus";
    const char latin1 = c.toLatin1();
    if (c.unicode() < 0x7F && latin1 >= 0x20) {
      QTest::keyClick(focus, latin1);
    } else {
      QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

}  // namespace magcfg::qt::test
