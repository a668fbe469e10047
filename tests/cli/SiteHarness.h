#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

// Site tests scan and commission only addresses on this machine: anything outside 127.0.0.0/8 is
// a test fault, refused before tagwick-cli is started.
inline void RefuseOffLoopback(const std::string& address) {
  if (address.rfind("127.", 0) != 0) {
    throw std::invalid_argument("test refuses an address off loopback: " + address);
  }
}

// The cells of one plan line as the tests write them: no separator inside a cell.
inline std::vector<std::string> PlanCells(std::string line) {
  if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
  const char separator = line.find(';') != std::string::npos ? ';' : ',';
  std::vector<std::string> cells(1);
  for (char c : line) {
    if (c == separator) {
      cells.emplace_back();
    } else if (c != '"' && c != ' ' && c != '\r') {
      cells.back() += c;
    }
  }
  return cells;
}

// Writes a plan and gives its path; every device it names must be on loopback.
inline std::string WritePlan(const std::filesystem::path& path, const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  std::getline(lines, line);
  const std::vector<std::string> header = PlanCells(line);
  const auto device = std::find(header.begin(), header.end(), "device") - header.begin();
  while (std::getline(lines, line)) {
    const std::vector<std::string> cells = PlanCells(line);
    const auto at = static_cast<std::size_t>(device);
    if (at < cells.size() && !cells[at].empty()) RefuseOffLoopback(cells[at]);
  }
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// The simulator's counters for the device at `address`:`port` (a "simstats" request, which
// the simulator never counts as a request).
inline std::string SimStats(const std::string& address, std::uint16_t port) {
  RefuseOffLoopback(address);
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  inet_pton(AF_INET, address.c_str(), &to.sin_addr);
  const std::string request = R"({"type":"simstats"})";
  ::sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  pollfd ready{fd, POLLIN, 0};
  char buffer[4096];
  ssize_t got = 0;
  if (::poll(&ready, 1, 2000) > 0) got = ::recv(fd, buffer, sizeof buffer, 0);
  ::close(fd);
  if (got <= 0) throw std::runtime_error("no simstats from " + address);
  return std::string(buffer, static_cast<std::size_t>(got));
}

// One number of a simstats reply.
inline long long Counter(const std::string& stats, const std::string& name) {
  const std::size_t at = stats.find("\"" + name + "\":");
  if (at == std::string::npos) throw std::runtime_error("no counter " + name);
  return std::stoll(stats.substr(at + name.size() + 3));
}
