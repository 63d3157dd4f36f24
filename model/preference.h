#pragma once
// The program's settings folder and its preference file "preference.dat".
#include "records.h"
#include <string>

// The product folder inside the user's application-data folder.
inline constexpr wchar_t kProductFolder[] = L"Brisvale";
inline constexpr wchar_t kPreferenceFileName[] = L"preference.dat";

// "<application data>\<folderName>", made when create is set. False and "" when the shell knows no such folder.
bool GetAppDataFolder(std::wstring& out, const std::wstring& folderName, bool create);
// The path of fileName in that folder (created if needed); the bare fileName when there is no folder.
std::wstring& GetAppDataFilePath(const std::wstring& fileName, const std::wstring& folderName, std::wstring& out);

// The record of "preference.dat": three blocks one after the other, 13506 bytes, no header.
struct PreferenceFile {
    ArchivePreference archive;
    _PreferenceFTP ftp;
    _PreferenceCDDVD cddvd;

    // Every byte zero, padding included.
    void Clear();
    // Writes the three blocks; throws CFileException.
    void Save(const std::wstring& fileName) const;
    // Reads as much of the file as there is over the record. A missing file gets the defaults filled in and
    // saved, then EngExcept::EFileNotFound is thrown: callers that catch it go on with the defaults.
    // Throws CFileException when the file cannot be read or written.
    void Load(const std::wstring& fileName);
};
