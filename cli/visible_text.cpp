#include "cli/visible_text.h"

#include "reader/card_data.h"
#include "text/text_codec.h"

namespace magcfg::cli {

std::string Echoed(std::string_view utf8, std::size_t limit) { return Echo(utf8, limit, reader::MaskRuns); }

std::string Quoted(std::string_view utf8) { return "'" + Echoed(utf8) + "'"; }

std::string CutForMessage(std::string_view utf8, std::size_t limit) {
  return EncodeUtf8(CutCharacters(utf8, limit, reader::MaskRuns));
}

}  // namespace magcfg::cli
