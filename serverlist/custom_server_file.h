// config.ini beside the program: the hand-kept [servers] list of named
// server addresses, through the profile functions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace norva {

// Names of the section's lines in file order; empty when the file or the
// section is missing. At most the first 1000 bytes of the section are read.
std::vector<std::string> ReadCustomServerNames(const char* path);

// Sets the line of `name` (letter case aside) to `address`, appending it
// when new, creating file and section when missing. Failures are silent.
void WriteCustomServer(const char* path, const char* name, const char* address);

// Deletes the line of `name`. Failures are silent.
void RemoveCustomServer(const char* path, const char* name);

// Copies the first line's address into `destination` (capacity characters
// and a NUL); leaves it as it was when there is none or it does not fit.
bool FirstCustomServerAddress(const char* path, char* destination, std::size_t capacity);

}  // namespace norva
