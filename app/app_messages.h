// Korvane's private window messages, all numbered from WM_APP.
#pragma once
#include <windows.h>

#define WM_ENGINE_PROGRESS (WM_APP + 100)  // wParam position or upper bound
#define WM_BACKUP_STATUS (WM_APP + 101)    // lParam status text
#define WM_BACKUP_DONE (WM_APP + 102)      // the backup worker ended
#define WM_ENGINE_ERROR (WM_APP + 103)     // wParam detail text or 0, lParam message text
#define WM_ITEM_STATE (WM_APP + 106)       // wParam row, lParam 1 running, 2 done, 3 failed
#define WM_ARCHIVE_ITEM (WM_APP + 108)     // lParam one DataItem for the restore tree
#define WM_ARCHIVE_RESET (WM_APP + 109)    // clear the restore tree
// Sent by the item-size worker to the main window, so the rows change only on the interface thread.
#define WM_ITEM_ADD (WM_APP + 110)   // lParam the BackupItem; returns the new row
#define WM_ITEM_SIZE (WM_APP + 111)  // wParam row, lParam address of the uint64_t size
#define WM_COPIER_STATUS (WM_APP + 1001)    // copier status text
#define WM_COPIER_START (WM_APP + 1002)     // copier progress reset
#define WM_COPIER_PROGRESS (WM_APP + 1003)  // copier progress position
