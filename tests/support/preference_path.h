#pragma once
// The preference file the product reads and writes, in the test prefix's application data.
#include "preference.h"

inline std::wstring preference_path()
{
    std::wstring path;
    return GetAppDataFilePath(kPreferenceFileName, kProductFolder, path);
}
