#include "file_type.h"

#include "regkey.h"

void RegisterArchiveFileType(const std::wstring& extension, const std::wstring& progId, const std::wstring& iconSuffix,
                             const std::wstring& openVerbText, const std::wstring& exePath)
{
    CRegKey extensionKey;
    if (extensionKey.Create(HKEY_CLASSES_ROOT, extension.c_str()) != ERROR_SUCCESS)
        return;
    extensionKey.SetStringValue(nullptr, progId.c_str());
    extensionKey.Close();

    CRegKey progIdKey, iconKey, shellKey, openKey, commandKey;
    progIdKey.Create(HKEY_CLASSES_ROOT, progId.c_str());
    if (iconKey.Create(progIdKey, L"DefaultIcon") == ERROR_SUCCESS)
        iconKey.SetStringValue(nullptr, (exePath + iconSuffix).c_str());
    iconKey.Close();
    if (shellKey.Create(progIdKey, L"shell") == ERROR_SUCCESS)
        shellKey.SetStringValue(nullptr, L"Open");
    if (openKey.Create(shellKey, L"Open") == ERROR_SUCCESS)
        openKey.SetStringValue(nullptr, openVerbText.c_str());
    if (commandKey.Create(openKey, L"command") == ERROR_SUCCESS)
        commandKey.SetStringValue(nullptr, (L"\"" + exePath + L"\" \"%1\"").c_str());
}
