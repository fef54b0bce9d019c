#include "tests/support/dialog_fixture.h"

#include "text/text_codec.h"

namespace magcfg::test {
namespace {

class EmptyList : public reader::HidInterfaceList {
 public:
  reader::EnumerationEntry At(std::uint32_t) override { return {reader::EnumerationStatus::NoMoreItems, {}}; }
};

}  // namespace

std::unique_ptr<reader::HidInterfaceList> NoHidInterfaces::ListInterfaces() { return std::make_unique<EmptyList>(); }

void DialogTest::Type(std::string_view text) {
  for (char32_t c : DecodeUtf8(text)) {
    std::string next = window.GetText(1040);
    AppendUtf8(next, c);
    SwipeBoxBecomes(next);
  }
}

}  // namespace magcfg::test
