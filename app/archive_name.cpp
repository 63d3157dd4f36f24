#include "archive_name.h"
#include "ctime.h"

CString MakeArchiveFileName(const ArchivePreference& pref)
{
    CString name;
    if (pref.addTimeStamp) {
        CString stamp = CTime::GetCurrentTime().Format(pref.timeStampFormat);
        if (stamp.size() > 127)
            stamp.clear();
        // Position 1 puts the stamp first; anything else (2, or a damaged value) after.
        if (pref.timeStampPosition == 1)
            name.Format(L"%ls - %ls%ls", stamp.c_str(), pref.baseName, L".bvk2");
        else
            name.Format(L"%ls - %ls%ls", pref.baseName, stamp.c_str(), L".bvk2");
    } else {
        name = CString(pref.baseName) + L".bvk2";
    }
    CString out = pref.outputFolder;
    if (!out.empty() && out.back() != L'\\')
        out += L'\\';
    out += name;
    if (out.size() > 2047)
        out.resize(2047);
    return out;
}
