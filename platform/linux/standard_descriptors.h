// Standard input, output and error as a program must find them before it
// opens anything: a program started with one of them closed would otherwise
// get its next file (a reader's node, a socket) as that descriptor, and
// what it writes as output or as a message would go there.
#pragma once

namespace magcfg::platform::hidraw {

// Opens each of descriptors 0, 1 and 2 that is closed on /dev/null (or,
// without /dev/null, on "/" for nothing but holding the place, where reads
// and writes fail). Call it first thing in main, before any other open.
void FillClosedStandardDescriptors();

}  // namespace magcfg::platform::hidraw
