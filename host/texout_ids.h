// Control IDs of the default texture output's rollout, which the host builds in memory.
#pragma once

#define IDC_TEXOUT_INVERT 100
#define IDC_TEXOUT_AMOUNT_EDIT 101
#define IDC_TEXOUT_AMOUNT_SPIN 102
#define IDC_TEXOUT_OFFSET_EDIT 103
#define IDC_TEXOUT_OFFSET_SPIN 104
#define IDC_TEXOUT_LEVEL_EDIT 105
#define IDC_TEXOUT_LEVEL_SPIN 106
