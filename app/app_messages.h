// Korvane's private window messages, all numbered from WM_APP.
#pragma once
#include <windows.h>
#include "output_media_copier.h"  // WM_COPIER_STATUS, WM_COPIER_START, WM_COPIER_PROGRESS
#include "progress.h"             // WM_ENGINE_PROGRESS

constexpr UINT WM_BACKUP_STATUS = WM_APP + 101;  // lParam status text
constexpr UINT WM_BACKUP_DONE = WM_APP + 102;    // the backup worker ended
constexpr UINT WM_ENGINE_ERROR = WM_APP + 103;   // wParam detail text or 0, lParam message text
constexpr UINT WM_ITEM_STATE = WM_APP + 106;     // wParam row, lParam 1 running, 2 done, 3 failed
constexpr UINT WM_ARCHIVE_ITEM = WM_APP + 108;   // lParam one DataItem for the restore tree
constexpr UINT WM_ARCHIVE_RESET = WM_APP + 109;  // clear the restore tree
// Sent by the item-size worker to the main window, so that rows change only on the interface thread.
constexpr UINT WM_ITEM_ADD = WM_APP + 110;   // lParam the BackupItem; returns the new row
constexpr UINT WM_ITEM_SIZE = WM_APP + 111;  // wParam row, lParam address of the uint64_t size
