// The report-descriptor parser fed with any bytes, as a device may hand over.
#include <cstdint>
#include <span>

#include "fuzz/fuzz_check.h"
#include "reader/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace magcfg::reader;
  const DescriptorParse parse = ParseReportDescriptor(std::span(data, size));
  // Either lengths or the reason there are none.
  FUZZ_CHECK(parse.lengths.has_value() == (parse.error == DescriptorError::None));
  if (size == 0) FUZZ_CHECK(parse.error == DescriptorError::Empty);
  if (parse.lengths) {
    // The parser keeps no state between calls: the same bytes, the same answer.
    const DescriptorParse again = ParseReportDescriptor(std::span(data, size));
    FUZZ_CHECK(again.lengths->input == parse.lengths->input && again.lengths->output == parse.lengths->output);
  }
  return 0;
}
