// Which of magcfg-cli's commands and options exist on which system. The
// parser asks here, so the knowledge stands in one place and a test on one
// system can parse the line as another system would.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace magcfg::cli {

enum class System { Linux, Windows };

#ifdef _WIN32
inline constexpr System kThisSystem = System::Windows;
#else
inline constexpr System kThisSystem = System::Linux;
#endif

// The refusal for a command word or option name that does not exist on
// system ("swipes is not available on Windows"); nullopt where it exists.
std::optional<std::string> NotAvailableOn(System system, std::string_view word);

}  // namespace magcfg::cli
