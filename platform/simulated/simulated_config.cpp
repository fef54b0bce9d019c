#include "platform/simulated/simulated_config.h"

#include "reader/reader_identity.h"

namespace magcfg::sim {

SimulatedInterface OtherInterface(std::string path, std::uint16_t vendorId, std::uint16_t productId) {
  SimulatedInterface other;
  other.path = std::move(path);
  other.attributes = {vendorId, productId, 0x0100};
  other.reportLengths = reader::ReportLengths{9, 2};
  return other;
}

SimulatedInterface ReaderInterface(std::string path, std::uint16_t versionNumber) {
  SimulatedInterface reader;
  reader.path = std::move(path);
  reader.attributes = {reader::kReaderVendorId, reader::kReaderProductId, versionNumber};
  reader.reportLengths = reader::ReportLengths{kSaneReportLength, kSaneReportLength};
  reader.isReader = true;
  return reader;
}

SimulatedReaderConfig SaneReaderConfig() {
  SimulatedReaderConfig config;
  config.interfaces = {
      OtherInterface("sim:hid/0-keyboard", 0x046D, 0xC31C),
      OtherInterface("sim:hid/1-mouse", 0x046D, 0xC077),
      ReaderInterface("sim:hid/2-magstripe"),
  };
  return config;
}

}  // namespace magcfg::sim
