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

void make_printable(char* text) {
  for (; *text != 0; ++text) {
    const unsigned char c = static_cast<unsigned char>(*text);
    if (c < 0x20 || c == 0x7f) *text = '?';
  }
}

}  // namespace vk
