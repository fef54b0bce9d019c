// A SOCK_SEQPACKET socket pair stands in for a hidraw node: like hidraw it
// keeps report boundaries, hands one report to each read and drops the part
// of a report that does not fit the reader's buffer. One end goes into the
// device under test, the test plays the reader on the other.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/linux/unique_fd.h"

namespace magcfg::test {

struct SocketPair {
  SocketPair() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0) throw std::runtime_error("socketpair");
    host = platform::hidraw::UniqueFd(fds[0]);
    reader = platform::hidraw::UniqueFd(fds[1]);
  }

  // The reader sends one input report.
  void Send(const std::vector<std::uint8_t>& report) const {
    if (::send(reader.get(), report.data(), report.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(report.size())) {
      throw std::runtime_error("send");
    }
  }

  // The next report the host wrote, empty when there is none.
  std::vector<std::uint8_t> Receive() const {
    std::vector<std::uint8_t> report(4096);
    const ssize_t got = ::recv(reader.get(), report.data(), report.size(), MSG_DONTWAIT);
    report.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return report;
  }

  platform::hidraw::UniqueFd host;
  platform::hidraw::UniqueFd reader;
};

}  // namespace magcfg::test
