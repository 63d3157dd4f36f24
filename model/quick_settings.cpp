#include "quick_settings.h"

#include "persistent.h"
#include "preference.h"

#include <shlwapi.h>
#include <cstring>

std::wstring QuickSettingsPath()
{
    std::wstring path;
    return GetAppDataFilePath(kQuickSettingsFileName, kProductFolder, path);
}

_BackupSettings LoadQuickSettings(const std::wstring& path)
{
    _BackupSettings settings;
    std::memset(&settings, 0, sizeof settings);
    if (PathFileExistsW(path.c_str())) {
        CFileStream stream(path.c_str(), OPEN_EXISTING, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL);
        LoadPersistent(settings, &stream);
    }
    std::memset(settings.password, 0, sizeof settings.password);
    return settings;
}

void SaveQuickSettings(const _BackupSettings& settings, const std::wstring& path)
{
    _BackupSettings stored = settings;
    std::memset(stored.password, 0, sizeof stored.password);
    CFileStream stream(path.c_str(), CREATE_ALWAYS, GENERIC_WRITE, 0, FILE_ATTRIBUTE_NORMAL);
    SavePersistent(stored, &stream);
}
