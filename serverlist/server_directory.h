// Where the dial session gets the address to dial for a chosen location.
#pragma once

#include <cstddef>
#include <string>

namespace norva {

// Longest address the dialler can take: its number to dial holds 128
// characters and the NUL.
inline constexpr std::size_t kMaxServerAddress = 128;

class ServerDirectory {
 public:
  virtual ~ServerDirectory() = default;

  // Looks `location` up (whole text, case-sensitive) among the servers of
  // either account type. True with a non-empty `address` of at most
  // kMaxServerAddress characters; false, with `address` emptied, when no
  // server of that location has a usable address.
  virtual bool FindServerAddress(const std::string& location, std::string& address) = 0;
};

}  // namespace norva
