#include "reader/report_descriptor.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstddef>
#include <vector>

namespace magcfg::reader {
namespace {

// Item prefix: bits 0-1 data size code, bits 2-3 type, bits 4-7 tag.
constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::array<std::size_t, 4> kDataSizes = {0, 1, 2, 4};  // size code 3 means 4 bytes

enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

enum MainTag : std::uint8_t { kInput = 0x8, kOutput = 0x9, kCollection = 0xA, kFeature = 0xB, kEndCollection = 0xC };

enum GlobalTag : std::uint8_t {
  kUsagePage = 0x0,
  kReportSize = 0x7,
  kReportId = 0x8,
  kReportCount = 0x9,
  kPush = 0xA,
  kPop = 0xB,
};

// The kernel allows four nested Pushes; sixteen leaves room for odd devices
// while still refusing a descriptor that pushes without end.
constexpr std::size_t kMaxPushDepth = 16;

// A report's data is capped so that data plus the report ID byte fits the
// 16-bit length field: larger sizes saturate instead of wrapping.
constexpr std::uint64_t kMaxReportDataBytes = 0xFFFF - 1;
constexpr std::uint64_t kMaxReportBits = kMaxReportDataBytes * 8;

constexpr std::size_t kReportIdCount = 256;

struct GlobalState {
  std::uint32_t usagePage = 0;
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint32_t reportId = 0;  // 0 while the descriptor has named no report ID
};

// The data bits of every report of one kind, by report ID.
class ReportBits {
 public:
  void Add(std::uint32_t reportId, std::uint32_t reportSize, std::uint32_t reportCount) {
    // Both factors are below 2^32, so the product fits 64 bits exactly.
    const std::uint64_t itemBits = std::min<std::uint64_t>(std::uint64_t{reportSize} * reportCount, kMaxReportBits);
    bits_[reportId] = std::min(bits_[reportId] + itemBits, kMaxReportBits);
    present_.set(reportId);
  }

  // The longest report in bytes, report ID byte included; 0 without any report.
  std::uint16_t LongestLength() const {
    std::uint64_t longest = 0;
    for (std::size_t id = 0; id < kReportIdCount; ++id) {
      if (present_.test(id)) longest = std::max(longest, (bits_[id] + 7) / 8 + 1);
    }
    return static_cast<std::uint16_t>(longest);
  }

 private:
  std::array<std::uint64_t, kReportIdCount> bits_{};
  std::bitset<kReportIdCount> present_;
};

std::uint32_t LittleEndianValue(const std::uint8_t* data, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= std::uint32_t{data[i]} << (8 * i);
  return value;
}

DescriptorParse Failure(DescriptorError error) { return DescriptorParse{std::nullopt, error}; }

}  // namespace

DescriptorParse ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
  if (descriptor.empty()) return Failure(DescriptorError::Empty);

  GlobalState global;
  std::vector<GlobalState> pushed;
  std::size_t collectionDepth = 0;
  ReportBits input;
  ReportBits output;
  bool usesReportIds = false;

  std::size_t position = 0;
  while (position < descriptor.size()) {
    const std::size_t remaining = descriptor.size() - position;
    const std::uint8_t prefix = descriptor[position];

    // Long items (prefix, data size, tag, data) carry nothing the lengths
    // depend on: skip them whole.
    if (prefix == kLongItemPrefix) {
      if (remaining < 3) return Failure(DescriptorError::TruncatedItem);
      const std::size_t dataSize = descriptor[position + 1];
      if (remaining - 3 < dataSize) return Failure(DescriptorError::TruncatedItem);
      position += 3 + dataSize;
      continue;
    }

    const std::size_t dataSize = kDataSizes[prefix & 0x3];
    if (remaining - 1 < dataSize) return Failure(DescriptorError::TruncatedItem);
    const std::uint32_t value = LittleEndianValue(&descriptor[position + 1], dataSize);
    position += 1 + dataSize;

    const auto type = static_cast<ItemType>((prefix >> 2) & 0x3);
    const std::uint8_t tag = prefix >> 4;

    if (type == kGlobal) {
      switch (tag) {
        case kUsagePage:
          global.usagePage = value;
          break;
        case kReportSize:
          global.reportSize = value;
          break;
        case kReportCount:
          global.reportCount = value;
          break;
        case kReportId:
          if (value == 0 || value >= kReportIdCount) return Failure(DescriptorError::InvalidReportId);
          global.reportId = value;
          usesReportIds = true;
          break;
        case kPush:
          if (pushed.size() >= kMaxPushDepth) return Failure(DescriptorError::PushTooDeep);
          pushed.push_back(global);
          break;
        case kPop:
          if (pushed.empty()) return Failure(DescriptorError::PopWithoutPush);
          global = pushed.back();
          pushed.pop_back();
          break;
        default:
          break;  // logical and physical ranges, units: no effect on lengths
      }
    } else if (type == kMain) {
      switch (tag) {
        case kInput:
          input.Add(global.reportId, global.reportSize, global.reportCount);
          break;
        case kOutput:
          output.Add(global.reportId, global.reportSize, global.reportCount);
          break;
        case kCollection:
          ++collectionDepth;
          break;
        case kEndCollection:
          if (collectionDepth == 0) return Failure(DescriptorError::UnbalancedCollection);
          --collectionDepth;
          break;
        case kFeature:
        default:
          break;  // feature reports do not count towards input or output lengths
      }
    }
    // Local and reserved items (usages, designators, delimiters) do not
    // change any length.
  }

  if (collectionDepth != 0) return Failure(DescriptorError::UnbalancedCollection);
  return DescriptorParse{ReportLengths{input.LongestLength(), output.LongestLength()}, DescriptorError::None,
                         usesReportIds};
}

}  // namespace magcfg::reader
