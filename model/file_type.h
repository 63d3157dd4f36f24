#pragma once
// Registers the archive file type with the shell, so that opening an archive starts the restore wizard.
#include <string>

inline constexpr wchar_t kArchiveExtension[] = L".bvk2";

// HKCR\<extension> = progId; HKCR\<progId>\DefaultIcon = exePath + iconSuffix; ...\shell = "Open";
// ...\shell\Open = openVerbText; ...\shell\Open\command = "<exePath>" "%1". Failures are silent; when the
// extension key cannot be made nothing is written.
void RegisterArchiveFileType(const std::wstring& extension, const std::wstring& progId, const std::wstring& iconSuffix,
                             const std::wstring& openVerbText, const std::wstring& exePath);
