#pragma once

#include <cstddef>
#include <cstring>
#include <string>

// The text of a received datagram: it ends at its first zero byte, as the original took the
// buffer for a C string.
inline std::string DatagramText(const char* data, std::size_t length) {
  const void* zero = std::memchr(data, '\0', length);
  return std::string(
      data, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : length);
}
