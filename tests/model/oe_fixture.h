#pragma once
// A fake mail-client installation laid into the current Wine prefix: the registry part from fake_oe.reg and the
// store files and address book listed in files.tsv (both in the fixture folder tests/fixtures/oe), with
// deterministic contents. Used by the model tests and, as the fake_oe tool, to prepare a prefix by hand.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace oe_fixture {

struct RegValue {
    HKEY root;
    std::wstring key;
    std::wstring name;  // empty for the default value
    DWORD type;
    std::vector<uint8_t> data;
};

struct File {
    std::wstring path;  // expanded
    uint64_t size;
};

struct Installation {
    std::vector<RegValue> values;
    std::vector<File> files;
};

// The tests' fixture folder: %BRISVALE_FIXTURES%\oe.
std::wstring DefaultFolder();

// Reads the installation's description. The address book's key gets the path of the listed .wab file, so the
// installation fits whatever user the prefix has. Throws std::runtime_error on unreadable or malformed data, and
// outside Wine, so the fixture can never replace or delete a real user's mail settings.
Installation Load(const std::wstring& folder);
// The bytes a listed file holds.
std::vector<uint8_t> Content(const File& file);

// Writes every value and file; running it again changes nothing. Throws std::runtime_error on failure.
void Install(const Installation& installation);
// Deletes the mail client's four registry trees and the listed files (and the folders that become empty).
void Remove(const Installation& installation);
// What differs from the installation, one line each; empty when everything is in place.
std::vector<std::wstring> Verify(const Installation& installation);

// The bytes of the installation's registry values under root\key, and of its files under folder (no trailing
// separator): what a backup item over that key or folder counts.
uint64_t RegistryBytes(const Installation& installation, HKEY root, const std::wstring& key);
uint64_t FolderBytes(const Installation& installation, const std::wstring& folder);

}  // namespace oe_fixture
