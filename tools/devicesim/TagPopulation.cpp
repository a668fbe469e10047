#include "TagPopulation.h"

#include <unordered_set>

#include "Types.h"

namespace devicesim {

TagPopulation::TagPopulation(std::uint32_t count, std::uint64_t seed) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  Random random(seed ^ 0x7A67ULL);
  std::unordered_set<std::string> seen;
  epcs_.reserve(count);
  while (epcs_.size() < count) {
    std::string epc(24, '0');
    std::uint64_t high = random.next();
    std::uint64_t low = random.next();
    for (int i = 0; i < 8; ++i)
      epc[static_cast<std::size_t>(i)] = kHex[(high >> (28 - 4 * i)) & 0xF];
    for (int i = 0; i < 16; ++i)
      epc[static_cast<std::size_t>(8 + i)] = kHex[(low >> (60 - 4 * i)) & 0xF];
    if (seen.insert(epc).second) epcs_.push_back(std::move(epc));
  }
}

}  // namespace devicesim
