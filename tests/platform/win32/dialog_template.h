// Reads an extended dialog template (DLGTEMPLATEEX) as the dialog manager
// does, from the raw bytes of a RT_DIALOG resource.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace magcfg::win32::test {

struct TemplateItem {
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  int id = 0;
  std::wstring className;  // predefined classes by name: "Button", "Edit", ...
  std::wstring text;
};

struct DialogTemplate {
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  bool hasMenu = false;
  bool hasClass = false;
  std::wstring caption;
  int pointSize = 0;
  int weight = 0;
  bool italic = false;
  int charset = 0;
  std::wstring face;
  std::vector<TemplateItem> items;
};

// nullopt when the bytes are not a well-formed extended template; never
// reads past the end of bytes.
std::optional<DialogTemplate> ParseDialogTemplateEx(std::span<const std::uint8_t> bytes);

// The bytes of a resource of this module, or an empty span.
std::span<const std::uint8_t> ModuleResource(LPCWSTR type, int id);

}  // namespace magcfg::win32::test
