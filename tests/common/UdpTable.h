#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

// What the kernel's table of IPv4 UDP sockets (/proc/net/udp) says about the socket bound to a
// local port: the bytes waiting in its receive queue and the datagrams it dropped for want of room.
struct UdpSocketState {
  std::uint64_t queuedBytes = 0;
  std::uint64_t drops = 0;
};

inline std::optional<UdpSocketState> ReadUdpSocket(std::uint16_t localPort) {
  std::ifstream table("/proc/net/udp");
  std::string line;
  std::getline(table, line);  // the column names
  while (std::getline(table, line)) {
    // sl local rem st tx_queue:rx_queue tr:tm->when retrnsmt uid timeout inode ref pointer drops
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode, ref,
        pointer;
    std::uint64_t drops = 0;
    fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
        timeout >> inode >> ref >> pointer >> drops;
    const std::size_t colon = local.find(':');
    if (!fields || colon == std::string::npos ||
        std::stoul(local.substr(colon + 1), nullptr, 16) != localPort) {
      continue;
    }
    return UdpSocketState{std::stoull(queues.substr(queues.find(':') + 1), nullptr, 16), drops};
  }
  return std::nullopt;
}
