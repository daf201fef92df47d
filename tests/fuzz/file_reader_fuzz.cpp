// Any bytes as a level file, through the file source's chunk reader and the
// rest of the intake.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vk;
  static char path[PathCapacity + 16] = "";
  if (path[0] == 0) {
    // The source sits beside the work folder, not in it, so the intake's
    // clearing of the work folder does not delete it.
    std::snprintf(path, sizeof path, "%.*ssource.txt",
                  int(std::strlen(fuzz_work_dir()) - 1), fuzz_work_dir());
  }
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
  LevelStore& store = fuzz_store();
  if (load_level_set(store, SourceFile, path) && store.levelCount <= 0) std::abort();
  return 0;
}
