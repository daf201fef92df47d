// The built-in sample set: six levels from a gentle start to a crowded
// storeroom, and their names as the level selector shows them.
#include "level/level.h"

namespace vk {

// LF line ends, one empty line between levels.
const char SampleText[] =
    // 1: two boxes
    " #######\n"
    " #  .  #\n"
    "## $#$ ##\n"
    "#   @   #\n"
    "#   .   #\n"
    "#########\n"
    "\n"
    // 2: three boxes
    "  #####\n"
    "###   #\n"
    "# $ # ##\n"
    "# #  . #\n"
    "# . $# #\n"
    "#  @$. #\n"
    "########\n"
    "\n"
    // 3: four boxes
    "  #######\n"
    "###  .  #\n"
    "#  $#$# ##\n"
    "# .  @  .#\n"
    "## $#$# ##\n"
    " #   .  #\n"
    " ########\n"
    "\n"
    // 4: five boxes
    " ########\n"
    " #   #  #\n"
    "##$#    #\n"
    "# $. .# ##\n"
    "# #.#.  #\n"
    "#@$$.$# #\n"
    "###     #\n"
    "  #######\n"
    "\n"
    // 5: six boxes
    "  #########\n"
    "  #   #   #\n"
    "### #   # #\n"
    "# $ .#. $ #\n"
    "# #.. ..# #\n"
    "#   $$#$$ #\n"
    "##### @ ###\n"
    "    #####\n"
    "\n"
    // 6: eight boxes
    " ##########\n"
    " #    #   #\n"
    " # #*$.$# #\n"
    "## #.## . #\n"
    "# $ .  .  ##\n"
    "# ##$# #*  #\n"
    "#@$  .   $ #\n"
    "###  ###  ##\n"
    "  ##########\n";

// The text goes through the text buffer, which must keep one byte for the
// LF the intake appends.
static_assert(sizeof SampleText - 1 <= PasteCapacity, "sample text must fit the text buffer");

namespace {

constexpr char SampleNames[SampleLevels][SampleNameCapacity + 1] = {
    "First Steps", "Side Door", "Crossroads", "Pillar Walk", "Twin Rooms", "Night Shift",
};

}  // namespace

const char* sample_level_name(int32_t n) {
  if (n < 1 || n > SampleLevels) return "";
  return SampleNames[n - 1];
}

}  // namespace vk
