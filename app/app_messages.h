// The program's private window messages, all numbered from WM_APP. The engine's
// progress message and the media components' messages are fixed by those parts
// and included from there.
#pragma once
#include <windows.h>
#include "output_media_copier.h"  // WM_COPIER_STATUS, WM_COPIER_START, WM_COPIER_PROGRESS
#include "progress.h"             // WM_ENGINE_PROGRESS

// wParam 0, lParam the status text (UTF-16, valid during the send).
constexpr UINT WM_BACKUP_STATUS = WM_APP + 101;
// The backup worker has ended; posted as its last act.
constexpr UINT WM_BACKUP_DONE = WM_APP + 102;
// wParam the detail text (a file name or a placeholder), lParam the message text;
// both UTF-16, valid during the send. The worker waits while the box shows.
constexpr UINT WM_ENGINE_ERROR = WM_APP + 103;
// wParam the row index, lParam its state: 1 running, 2 done, 3 failed.
constexpr UINT WM_ITEM_STATE = WM_APP + 106;
// wParam 0, lParam one DataItem for the restore tree (the sender keeps it).
constexpr UINT WM_ARCHIVE_ITEM = WM_APP + 108;
// Clears the restore tree.
constexpr UINT WM_ARCHIVE_RESET = WM_APP + 109;
// Posted by a restore wizard worker as its last act; the page shows the outcome
// once the worker has ended.
constexpr UINT WM_ARCHIVE_LISTED = WM_APP + 120;
constexpr UINT WM_RESTORE_DONE = WM_APP + 121;
// Sent by the item-size worker to the main window, so that rows change only on
// the interface thread. WM_ITEM_NEXT: lParam the address of the frame's record of
// the next row to size, filled in; returns FALSE when there is none and the worker ends.
// WM_ITEM_SIZE: wParam the row, lParam the address of the uint64_t size.
constexpr UINT WM_ITEM_NEXT = WM_APP + 110;
constexpr UINT WM_ITEM_SIZE = WM_APP + 111;
