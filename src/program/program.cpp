// The version and the title text.
#include "program/program.h"

namespace vk {

// VK_VERSION comes from the project's version in CMakeLists.txt, which also
// names the installed package.
const char VersionText[] = VK_VERSION;
const char TitleText[] = "Vantori Kelmora" VK_VERSION " by the Kelmora developers (Mar/2021)";

}  // namespace vk
