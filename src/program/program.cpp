// The version, the title text and the replay speeds.
#include "program/program.h"

namespace vk {

// VK_VERSION comes from the project's version in CMakeLists.txt, which also
// names the installed package.
const char VersionText[] = VK_VERSION;
const char TitleText[] = "Vantori Kelmora" VK_VERSION " by the Kelmora developers (Mar/2021)";

int32_t trace_step_ms(int32_t speed) {
  if (speed < SpeedSlow || speed > SpeedFast) speed = SpeedNomal;
  return TraceSpeedMs[speed];
}

}  // namespace vk
