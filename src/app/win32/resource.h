// Resource ids of the Windows program, shared by the resource script and
// the shell. The controls' ids are the dialog logic's (app/app.h); the
// resource script spells them as numbers, since it cannot read C++.
#pragma once

#define VK_MAIN_DIALOG 101
#define VK_ICON 102
#define VK_TILE_SHEET 103
#define VK_TEXT_DIALOG 104
#define VK_OPTIONS_DIALOG 105
#define VK_SPLASH 106
