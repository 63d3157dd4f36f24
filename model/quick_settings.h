#pragma once
// The backup dialog's remembered options, "backup_quick_settings.dat" (516 bytes, no header).
#include "records.h"
#include <string>

inline constexpr wchar_t kQuickSettingsFileName[] = L"backup_quick_settings.dat";

// The file's place in the product folder.
std::wstring QuickSettingsPath();
// Zeros when the file is missing, empty or unreadable; a short file's missing bytes read as zero.
// The password is never taken back and comes out empty.
_BackupSettings LoadQuickSettings(const std::wstring& path = QuickSettingsPath());
// Failures are silent. The password field is written as zeros: the file must not hold a secret in clear.
void SaveQuickSettings(const _BackupSettings& settings, const std::wstring& path = QuickSettingsPath());
