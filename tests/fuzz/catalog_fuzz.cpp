// Feeds arbitrary bytes to the catalog as servers.xml on disk, as the program reads it, and
// checks what the lookup promises about its results and its buffer.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "serverlist/server_catalog.h"
#include "connection/remote_access.h"

namespace {

std::string g_path;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "catalog_fuzz: %s\n", what);
    std::abort();
  }
}

// Looks `location` up into exactly capacity + 1 heap bytes (ASan sees a write past); "": none.
std::string Lookup(const std::string& location, std::size_t capacity) {
  std::unique_ptr<char[]> out(new char[capacity + 1]);
  std::memset(out.get(), 'x', capacity + 1);
  const bool found = norva::FindServerAddress(g_path, location, out.get(), capacity);
  const std::size_t length = strnlen(out.get(), capacity + 1);
  Check(length <= capacity, "address not terminated within the buffer");
  Check(found == (length > 0), "result and address disagree");
  return out.get();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The file is rewritten for every input: keep it in memory when possible.
  const char* tmp = std::getenv("TMPDIR");
  if (tmp == nullptr || *tmp == '\0') tmp = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  g_path = std::string(tmp) + "/norva-catalog-fuzz-" + std::to_string(getpid()) + ".xml";
  std::atexit([] { unlink(g_path.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::ofstream(g_path, std::ios::binary).write(reinterpret_cast<const char*>(data), size);

  // Every lookup parses the file again, so only a few locations are tried.
  std::vector<std::string> probes = {"choose server..."};
  for (norva::AccountType type : {norva::AccountType::Shared, norva::AccountType::Dedicated}) {
    const std::vector<std::string> rows = norva::ListLocations(g_path, type);
    probes.insert(probes.end(), rows.begin(), rows.begin() + std::min<std::size_t>(rows.size(), 3));
  }

  for (const std::string& location : probes) {
    const std::string small = Lookup(location, 7);
    const std::string full = Lookup(location, norva::ras::kMaxPhoneNumber);
    // The first address short enough for the narrow buffer is the same in both.
    Check(full.size() > 7 || small == full, "narrow buffer took another entry");

    std::string address = "stale";
    const bool found =
        norva::FindServerAddress(g_path, location, address, norva::ras::kMaxPhoneNumber);
    Check(found == !full.empty() && address == full, "string lookup differs from the buffer lookup");
  }
  return 0;
}
