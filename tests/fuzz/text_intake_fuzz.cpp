// Any text as pasted into the level box, through the whole text intake:
// splitting into lines, storing level files, counting and naming the set.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vk;
  // The buffer the caller hands over: at most PasteCapacity characters, a
  // terminator and the byte to spare behind it.
  static char text[TextBufferSize + 1];
  size_t length = size < size_t(PasteCapacity) ? size : size_t(PasteCapacity);
  std::memcpy(text, data, length);
  text[length] = 0;
  LevelStore& store = fuzz_store();
  if (load_level_set(store, SourceText, text) && store.levelCount <= 0) std::abort();
  return 0;
}
