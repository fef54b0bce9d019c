#include "reader/card_swipe.h"

namespace magcfg::reader {

CardSwipe SampleSwipe() {
  return CardSwipe::Good("B4111111111111111^DOE/JOHN^2512101", "4111111111111111=2512101",
                         "011234567890123456=00000000000000000");
}

}  // namespace magcfg::reader
