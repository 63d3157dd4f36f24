#pragma once
// Fixed-layout records of the settings files and the profile values. The layouts are the stored formats:
// little-endian, explicit padding, identical on 32- and 64-bit builds.
#include <cstddef>
#include <cstdint>

static_assert(sizeof(wchar_t) == 2, "stored texts are UTF-16");

// Terminates a text array read raw from disk or the registry, so later users never run past it.
template <size_t N>
void TerminateText(wchar_t (&text)[N])
{
    text[N - 1] = 0;
}

// "preference.dat", first block: how archive file names are made.
struct ArchivePreference {
    wchar_t outputFolder[2048];
    wchar_t baseName[2048];
    wchar_t timeStampFormat[100];  // wcsftime notation
    uint8_t addTimeStamp;          // 0/1
    uint8_t pad[3];
    int32_t timeStampPosition;  // 1 before the base name, 2 after it
};
static_assert(sizeof(ArchivePreference) == 8400);
static_assert(offsetof(ArchivePreference, baseName) == 4096 && offsetof(ArchivePreference, timeStampFormat) == 8192 &&
              offsetof(ArchivePreference, addTimeStamp) == 8392 && offsetof(ArchivePreference, pad) == 8393 &&
              offsetof(ArchivePreference, timeStampPosition) == 8396);

// Second block: the FTP account, handed to the FTP copier whole.
struct _PreferenceFTP {
    wchar_t host[100];
    int32_t port;  // 0 when never set
    wchar_t user[100];
    wchar_t password[100];  // as typed; the format has no encoding
    wchar_t directory[2048];
    uint8_t passive;  // 0/1
    uint8_t pad[3];
};
static_assert(sizeof(_PreferenceFTP) == 4704);
static_assert(offsetof(_PreferenceFTP, port) == 200 && offsetof(_PreferenceFTP, user) == 204 &&
              offsetof(_PreferenceFTP, password) == 404 && offsetof(_PreferenceFTP, directory) == 604 &&
              offsetof(_PreferenceFTP, passive) == 4700 && offsetof(_PreferenceFTP, pad) == 4701);

// Third block: the CD/DVD writer, handed to the CD/DVD copier whole.
struct _PreferenceCDDVD {
    wchar_t device[200];  // as the burner component names it
    uint8_t erase;        // 0/1
    uint8_t pad;
};
static_assert(sizeof(_PreferenceCDDVD) == 402);
static_assert(offsetof(_PreferenceCDDVD, erase) == 400 && offsetof(_PreferenceCDDVD, pad) == 401);

// "backup_quick_settings.dat": the backup dialog's remembered options.
struct _BackupSettings {
    uint8_t compress;
    uint8_t passwordProtected;
    wchar_t password[256];  // always written as zeros, never read back
    uint8_t transfer;
    uint8_t showDefaultSettings;
};
static_assert(sizeof(_BackupSettings) == 516);
static_assert(offsetof(_BackupSettings, password) == 2 && offsetof(_BackupSettings, transfer) == 514 &&
              offsetof(_BackupSettings, showDefaultSettings) == 515);

// One profile entry as a 520-byte REG_BINARY value.
struct ProfileEntryRecord {
    wchar_t name[256];
    int32_t id;
    uint8_t checked;
    uint8_t pad[3];
};
static_assert(sizeof(ProfileEntryRecord) == 520);
static_assert(offsetof(ProfileEntryRecord, id) == 512 && offsetof(ProfileEntryRecord, checked) == 516 &&
              offsetof(ProfileEntryRecord, pad) == 517);
