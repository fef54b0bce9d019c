#include "tests/platform/win32/dialog_template.h"

namespace magcfg::win32::test {
namespace {

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool Ok() const { return ok_; }

  std::uint16_t Word() {
    if (!Need(2)) return 0;
    const std::uint16_t value = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return value;
  }
  std::uint32_t Dword() {
    const std::uint32_t low = Word();
    return low | (static_cast<std::uint32_t>(Word()) << 16);
  }
  std::uint8_t Byte() {
    if (!Need(1)) return 0;
    return bytes_[pos_++];
  }
  short Short() { return static_cast<short>(Word()); }

  std::wstring String() {
    std::wstring text;
    for (;;) {
      const std::uint16_t c = Word();
      if (!ok_ || c == 0) return text;
      text.push_back(static_cast<wchar_t>(c));
    }
  }

  // A string, an ordinal (0xFFFF then a number) or nothing (0x0000).
  std::wstring StringOrOrdinal(bool* present = nullptr, std::uint16_t* ordinal = nullptr) {
    const std::size_t at = pos_;
    const std::uint16_t first = Word();
    if (present != nullptr) *present = first != 0;
    if (first == 0) return {};
    if (first == 0xFFFF) {
      const std::uint16_t number = Word();
      if (ordinal != nullptr) *ordinal = number;
      return {};
    }
    pos_ = at;
    return String();
  }

  void AlignDword() {
    pos_ = (pos_ + 3) & ~std::size_t{3};
    if (pos_ > bytes_.size()) ok_ = false;
  }
  void Skip(std::size_t count) {
    if (Need(count)) pos_ += count;
  }

 private:
  bool Need(std::size_t count) {
    if (!ok_ || bytes_.size() - pos_ < count) {
      ok_ = false;
      return false;
    }
    return true;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

std::wstring PredefinedClass(std::uint16_t atom) {
  switch (atom) {
    case 0x0080: return L"Button";
    case 0x0081: return L"Edit";
    case 0x0082: return L"Static";
    case 0x0083: return L"ListBox";
    case 0x0084: return L"ScrollBar";
    case 0x0085: return L"ComboBox";
    default: return L"#" + std::to_wstring(atom);
  }
}

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplateEx(std::span<const std::uint8_t> bytes) {
  Reader in(bytes);
  DialogTemplate dialog;
  if (in.Word() != 1 || in.Word() != 0xFFFF) return std::nullopt;  // version, signature
  in.Dword();                                                      // help ID
  dialog.exStyle = in.Dword();
  dialog.style = in.Dword();
  const int count = in.Word();
  dialog.x = in.Short();
  dialog.y = in.Short();
  dialog.width = in.Short();
  dialog.height = in.Short();
  in.StringOrOrdinal(&dialog.hasMenu);
  in.StringOrOrdinal(&dialog.hasClass);
  dialog.caption = in.String();
  if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
    dialog.pointSize = in.Word();
    dialog.weight = in.Word();
    dialog.italic = in.Byte() != 0;
    dialog.charset = in.Byte();
    dialog.face = in.String();
  }
  for (int i = 0; i < count && in.Ok(); ++i) {
    in.AlignDword();
    TemplateItem item;
    in.Dword();  // help ID
    item.exStyle = in.Dword();
    item.style = in.Dword();
    item.x = in.Short();
    item.y = in.Short();
    item.width = in.Short();
    item.height = in.Short();
    item.id = static_cast<int>(in.Dword());
    std::uint16_t atom = 0;
    bool present = false;
    item.className = in.StringOrOrdinal(&present, &atom);
    if (present && item.className.empty()) item.className = PredefinedClass(atom);
    item.text = in.StringOrOrdinal();
    in.Skip(in.Word());  // creation data
    dialog.items.push_back(std::move(item));
  }
  if (!in.Ok()) return std::nullopt;
  return dialog;
}

std::span<const std::uint8_t> ModuleResource(LPCWSTR type, int id) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (found == nullptr) return {};
  const HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded == nullptr ? nullptr : LockResource(loaded);
  if (data == nullptr) return {};
  return {static_cast<const std::uint8_t*>(data), SizeofResource(module, found)};
}

}  // namespace magcfg::win32::test
