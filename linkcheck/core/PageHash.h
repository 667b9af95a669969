#pragma once

#include <cstdint>
#include <string_view>

// The XXH3 128-bit hash that tells a page's bytes (its identity in a batch's journal), made
// with the widest vector instructions the processor has: the value is the same with any.
namespace morv {

struct Hash128 {
    uint64_t high = 0, low = 0;
};

Hash128 HashBytes(std::string_view bytes);

// The hash of bytes given in parts: HashBytes of the parts joined.
class PartsHasher {
  public:
    PartsHasher();
    void Add(std::string_view part);
    Hash128 Digest() const;

  private:
    alignas(64) unsigned char state_[640];  // an XXH3_state_t (checked where it is defined)
};

}  // namespace morv
