// The tags in the simulated field: distinct 96-bit EPCs (24 upper-case hex digits), derived
// from the seed alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace devicesim {

class TagPopulation {
 public:
  TagPopulation(std::uint32_t count, std::uint64_t seed);
  std::size_t size() const { return epcs_.size(); }
  const std::string& epc(std::size_t index) const { return epcs_[index]; }

 private:
  std::vector<std::string> epcs_;
};

}  // namespace devicesim
