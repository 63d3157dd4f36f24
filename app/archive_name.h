#pragma once
// The archive path that the archive-name pattern of "preference.dat" gives now.
#include "cstring.h"
#include "records.h"

// "<folder>\<name>.bvk2", the name being the base name alone or with the current
// time stamp before or after it ("<stamp> - <base>" / "<base> - <stamp>"). A stamp
// that cannot be formatted in 127 characters is empty. The result is cut to 2047
// characters, the room of an archive path.
CString MakeArchiveFileName(const ArchivePreference& pref);

// The time-stamp formats the preference pages offer, in the order they add them
// (wcsftime notation); the first is the default.
inline constexpr const wchar_t* kTimeStampFormats[] = {
    L"%B %d, %Y@%H.%M.%S.%p", L"%A, %B %d, %Y",        L"%B %b, %Y",   L"%Y-%m-%d",       L"%B %d",
    L"%m-%d-%Y@%I-%M %p",     L"%m-%d-%Y@%I-%M-%S %p", L"%I.%M.%S %p", L"%Y-%m-%d %H.%M",
};
