// Shared by the fuzz targets: one private work folder per fuzzing process,
// created on first use under $TMPDIR (else /tmp) and reused for every input.
#pragma once

#include <cstdlib>
#include <cstring>

#include "level/level_internal.h"

namespace vk {

inline const char* fuzz_work_dir() {
  static char dir[PathCapacity] = "";
  if (dir[0] == 0) {
    const char* base = std::getenv("TMPDIR");
    if (base == nullptr || base[0] == 0) base = "/tmp";
    if (std::strlen(base) + 20 >= sizeof dir) std::abort();
    std::strcpy(dir, base);
    std::strcat(dir, "/vk-fuzz-XXXXXX");
    if (mkdtemp(dir) == nullptr) std::abort();
    std::strcat(dir, "/");
  }
  return dir;
}

inline LevelStore& fuzz_store() {
  static LevelStore store;
  static bool ready = false;
  if (!ready) {
    if (!init_level_store(store, fuzz_work_dir())) std::abort();
    ready = true;
  }
  return store;
}

}  // namespace vk
