// Checks the udev rule, as shipped and as --print-udev-rules --group makes
// it, against device trees shaped like the kernel's: a hidraw node under a
// HID device under the reader's USB interface and device. The matcher
// follows udev's rules for the keys the rule uses: KERNEL and SUBSYSTEM match
// the node itself, and all ATTRS keys must match on one and the same device,
// the node or one of its ancestors.
#include <gtest/gtest.h>

#include <fnmatch.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/access_rule.h"

namespace {

struct Device {
  std::string kernel;
  std::string subsystem;
  std::map<std::string, std::string> attrs;
};

struct Key {
  std::string name;  // KERNEL, SUBSYSTEM, ATTRS{...}, TAG, GROUP, MODE
  std::string op;
  std::string value;
};

std::string ShippedRules() {
  std::ifstream in(MAGCFG_UDEV_RULE);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::vector<Key>> LoadRules(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::vector<Key>> rules;
  const std::regex key(R"(\s*([A-Z]+(?:\{[^}]*\})?)\s*(==|!=|\+=|=|:=)\s*\"([^\"]*)\"\s*,?)");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<Key> keys;
    for (std::sregex_iterator it(line.begin(), line.end(), key), end; it != end; ++it) {
      keys.push_back({(*it)[1], (*it)[2], (*it)[3]});
    }
    rules.push_back(keys);
  }
  return rules;
}

bool Glob(const std::string& pattern, const std::string& text) { return fnmatch(pattern.c_str(), text.c_str(), 0) == 0; }

// What a rule assigns to the node at chain[0] ("TAG+=uaccess", "MODE=0660"),
// in the rule's order; empty when it does not match.
std::vector<std::string> Apply(const std::vector<Key>& rule, const std::vector<Device>& chain) {
  std::vector<std::string> tags;
  std::vector<Key> parentKeys;
  for (const Key& k : rule) {
    if (k.name == "KERNEL") {
      if (!Glob(k.value, chain[0].kernel)) return {};
    } else if (k.name == "SUBSYSTEM") {
      if (!Glob(k.value, chain[0].subsystem)) return {};
    } else if (k.name.rfind("ATTRS{", 0) == 0) {
      parentKeys.push_back(k);
    } else if (k.name == "TAG" || k.name == "GROUP" || k.name == "MODE") {
      tags.push_back(k.name + k.op + k.value);
    } else {
      ADD_FAILURE() << "the rule uses a key this check does not know: " << k.name;
      return {};
    }
  }
  const auto allOnOne = [&](const Device& d) {
    for (const Key& k : parentKeys) {
      const std::string attr = k.name.substr(6, k.name.size() - 7);
      const auto found = d.attrs.find(attr);
      if (found == d.attrs.end() || !Glob(k.value, found->second)) return false;
    }
    return true;
  };
  for (const Device& d : chain) {
    if (allOnOne(d)) return tags;
  }
  return {};
}

std::vector<std::string> TagsFor(const std::vector<Device>& chain, const std::string& text = ShippedRules()) {
  const auto rules = LoadRules(text);
  EXPECT_FALSE(rules.empty());
  std::vector<std::string> tags;
  for (const auto& rule : rules) {
    for (const auto& tag : Apply(rule, chain)) tags.push_back(tag);
  }
  return tags;
}

std::vector<Device> HidrawUnder(const std::string& vendor, const std::string& product) {
  return {
      {"hidraw3", "hidraw", {}},
      {"0003:5131:2007.0004", "hid", {}},
      {"1-1:1.0", "usb", {{"bInterfaceClass", "03"}}},
      {"1-1", "usb", {{"idVendor", vendor}, {"idProduct", product}, {"bcdDevice", "0102"}}},
  };
}

// By default the node stays root's and the seat user gets it; a rule made
// for a group gives that group read and write as well.
const std::vector<std::string> kSeatAlone = {"TAG+=uaccess", "GROUP=root", "MODE=0600"};
const std::vector<std::string> kSeatAndBench = {"TAG+=uaccess", "GROUP=bench", "MODE=0660"};

TEST(UdevRule, GivesTheSeatUserAloneOrWithTheGroupAskedForTheReadersHidrawNode) {
  EXPECT_EQ(TagsFor(HidrawUnder("5131", "2007")), kSeatAlone);
  const std::string forBench = magcfg::cli::UdevRulesWithGroup(ShippedRules(), "bench");
  EXPECT_EQ(TagsFor(HidrawUnder("5131", "2007"), forBench), kSeatAndBench);
}

TEST(UdevRule, LeavesOtherDevicesAlone) {
  EXPECT_TRUE(TagsFor(HidrawUnder("5131", "2008")).empty());
  EXPECT_TRUE(TagsFor(HidrawUnder("046d", "2007")).empty());
  // The USB device node itself is not a hidraw node.
  EXPECT_TRUE(TagsFor({{"1-1", "usb", {{"idVendor", "5131"}, {"idProduct", "2007"}}}}).empty());
}

// The reader's keyboard: event node, input device, HID device, USB interface, USB device.
std::vector<Device> InputUnder(const std::string& kernel, const std::string& vendor, const std::string& product) {
  return {
      {kernel, "input", {}},
      {"input7", "input", {{"name", "Reader Keyboard"}}},
      {"0003:5131:2007.0003", "hid", {}},
      {"1-1:1.0", "usb", {{"bInterfaceClass", "03"}}},
      {"1-1", "usb", {{"idVendor", vendor}, {"idProduct", product}}},
  };
}

TEST(UdevRule, GivesTheSeatUserTheReadersOwnKeyboardAndNoOtherInput) {
  struct Row {
    std::vector<Device> chain;
    bool reached;
  };
  const Row rows[] = {
      {InputUnder("event7", "5131", "2007"), true},
      {InputUnder("event7", "046d", "c31c"), false},  // the operator's own keyboard
      {InputUnder("event7", "5131", "2008"), false},
      {InputUnder("mouse2", "5131", "2007"), false},  // the reader's other input nodes
      {InputUnder("js0", "5131", "2007"), false},
      {{{"input7", "input", {}}, {"1-1", "usb", {{"idVendor", "5131"}, {"idProduct", "2007"}}}}, false},
  };
  const std::string forBench = magcfg::cli::UdevRulesWithGroup(ShippedRules(), "bench");
  for (const Row& row : rows) {
    EXPECT_EQ(TagsFor(row.chain), row.reached ? kSeatAlone : std::vector<std::string>{}) << row.chain[0].kernel;
    EXPECT_EQ(TagsFor(row.chain, forBench), row.reached ? kSeatAndBench : std::vector<std::string>{})
        << row.chain[0].kernel;
  }
}

TEST(UdevRule, VendorAndProductMustComeFromTheSameDevice) {
  std::vector<Device> split = {
      {"hidraw3", "hidraw", {}},
      {"1-1:1.0", "usb", {{"idProduct", "2007"}}},
      {"1-1", "usb", {{"idVendor", "5131"}, {"idProduct", "0001"}}},
  };
  EXPECT_TRUE(TagsFor(split).empty());
}

}  // namespace
