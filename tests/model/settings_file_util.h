#pragma once
// Whole-file reads and writes for the tests of the settings files.
#include "file.h"

#include <string>

// The file's bytes (settings files are small; this reads up to 64 KiB).
inline std::string ReadBytes(const std::wstring& path)
{
    CFile f(path.c_str(), CFile::modeRead);
    std::string data(64 * 1024, '\0');
    data.resize(f.Read(data.data(), static_cast<UINT>(data.size())));
    return data;
}

inline void WriteBytes(const std::wstring& path, const std::string& data)
{
    CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    f.Write(data.data(), static_cast<UINT>(data.size()));
}
