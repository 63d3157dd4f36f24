#pragma once
// The archive path that the archive-name pattern of "preference.dat" gives now.
#include "cstring.h"
#include "records.h"

// "<folder>\<name>.bvk2", the name being the base name alone or with the current
// time stamp before or after it ("<stamp> - <base>" / "<base> - <stamp>"). A stamp
// that cannot be formatted in 127 characters is empty. The result is cut to 2047
// characters, the room of an archive path.
CString MakeArchiveFileName(const ArchivePreference& pref);
