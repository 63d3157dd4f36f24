// Resource and control ids of Pellisk's window.
#pragma once

#define IDI_PELLISK 128
#define IDD_CRASH 129
#define IDC_SAVE 1002
