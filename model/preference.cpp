#include "preference.h"

#include "eng_except.h"
#include "file.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <cwchar>

namespace {

template <size_t N>
void CopyText(wchar_t (&to)[N], const wchar_t* from)
{
    wcsncpy(to, from, N - 1);
    to[N - 1] = 0;
}

}  // namespace

bool GetAppDataFolder(std::wstring& out, const std::wstring& folderName, bool create)
{
    wchar_t appData[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, TRUE)) {
        out.clear();
        return false;
    }
    std::wstring path = std::wstring(appData) + L"\\" + folderName;
    if (create && !PathFileExistsW(path.c_str()))
        SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);  // a failure shows when the file is opened
    out = path;
    return true;
}

std::wstring& GetAppDataFilePath(const std::wstring& fileName, const std::wstring& folderName, std::wstring& out)
{
    GetAppDataFolder(out, folderName, true);
    if (!out.empty() && out.back() != L'\\')
        out += L'\\';
    out += fileName;
    return out;
}

void PreferenceFile::Clear()
{
    memset(&archive, 0, sizeof archive);
    memset(&ftp, 0, sizeof ftp);
    memset(&cddvd, 0, sizeof cddvd);
}

void PreferenceFile::Save(const std::wstring& fileName) const
{
    std::wstring path;
    GetAppDataFilePath(fileName, kProductFolder, path);
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    file.Write(&archive, sizeof archive);
    file.Write(&ftp, sizeof ftp);
    file.Write(&cddvd, sizeof cddvd);
    file.Close();
}

void PreferenceFile::Load(const std::wstring& fileName)
{
    std::wstring path;
    GetAppDataFilePath(fileName, kProductFolder, path);
    if (PathFileExistsW(path.c_str())) {
        // A short file fills the record only as far as it goes; the counts are deliberately not checked.
        CFile file(path.c_str(), CFile::modeRead);
        file.Read(&archive, sizeof archive);
        file.Read(&ftp, sizeof ftp);
        file.Read(&cddvd, sizeof cddvd);
        file.Close();
        // A damaged or foreign file must not leave a text without its terminator.
        TerminateText(archive.outputFolder);
        TerminateText(archive.baseName);
        TerminateText(archive.timeStampFormat);
        TerminateText(ftp.host);
        TerminateText(ftp.user);
        TerminateText(ftp.password);
        TerminateText(ftp.directory);
        TerminateText(cddvd.device);
        return;
    }
    if (!archive.outputFolder[0]) {
        wchar_t documents[MAX_PATH] = {};
        if (SHGetSpecialFolderPathW(nullptr, documents, CSIDL_PERSONAL, TRUE))
            CopyText(archive.outputFolder, documents);
    }
    if (!archive.baseName[0]) {
        CopyText(archive.baseName, L"BAK");
        CopyText(archive.timeStampFormat, L"%B %d, %Y@%H.%M.%S.%p");
        archive.addTimeStamp = 1;
        archive.timeStampPosition = 2;
    }
    Save(fileName);
    throw EngExcept::EFileNotFound(path);
}
