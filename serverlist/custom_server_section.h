// The [servers] section of config.ini, as the profile read hands it over:
// lines "name=address", each ended by a NUL, the whole ended by one more NUL.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace norva {

// Bytes of the section read at a time; lines past it are not seen.
inline constexpr std::size_t kCustomSectionBytes = 1000;

// The name of each line, in file order: "=" characters at the very start are
// skipped, the name runs to the next "="; a line without "=" is all name.
// A line of nothing but "=" has an empty name and is left out.
// `length` is what the profile read returned (characters without the final
// NUL); the walk never reads past `length` + 1 bytes.
std::vector<std::string> ParseCustomServerNames(const char* section, std::size_t length);

// Copies the address of the first line (the text after its first "=" once
// leading "=" are skipped) into `destination`, which holds `capacity`
// characters and a NUL. True when copied. The destination is left as it was
// when the first line has no address, the address is empty, or it is longer
// than `capacity` (a cut address would name another host).
bool CopyFirstCustomServerAddress(const char* section, std::size_t length, char* destination,
                                  std::size_t capacity);

}  // namespace norva
