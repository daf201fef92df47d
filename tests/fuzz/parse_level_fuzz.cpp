// Any bytes as a stored level file, through parsing and every analysis
// behind it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "level/level.h"

namespace vk {

// read_level keeps this much of a level file for parsing.
constexpr size_t KeptLevelText = 2 * MaxArea;

}  // namespace vk

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vk;
  static Level level;
  // The bytes are parsed where libFuzzer put them, so any read past the
  // given length is caught.
  size_t length = size < KeptLevelText ? size : KeptLevelText;
  int32_t status = parse_level(level, reinterpret_cast<const char*>(data), int32_t(length));
  if (level_status_word(status) == nullptr) std::abort();
  return 0;
}
