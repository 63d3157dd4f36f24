#include "archive_name.h"
#include <cwchar>
#include "ctime.h"

namespace {

// The record may come from a damaged file: never read past a field.
template <size_t N>
CString Field(const wchar_t (&text)[N])
{
    return CString(text, wcsnlen(text, N));
}

}  // namespace

CString MakeArchiveFileName(const ArchivePreference& pref)
{
    const CString base = Field(pref.baseName);
    CString name;
    if (pref.addTimeStamp) {
        // An invalid format gives an empty stamp, never a runtime abort.
        CString stamp = CTime::GetCurrentTime().Format(Field(pref.timeStampFormat).c_str());
        if (stamp.size() > 127)
            stamp.clear();
        // Position 1 puts the stamp first; anything else (2, or a damaged value) after.
        if (pref.timeStampPosition == 1)
            name.Format(L"%ls - %ls%ls", stamp.c_str(), base.c_str(), L".bvk2");
        else
            name.Format(L"%ls - %ls%ls", base.c_str(), stamp.c_str(), L".bvk2");
    } else {
        name = base + L".bvk2";
    }
    CString out = Field(pref.outputFolder);
    if (!out.empty() && out.back() != L'\\')
        out += L'\\';
    out += name;
    if (out.size() > 2047)
        out.resize(2047);
    return out;
}
