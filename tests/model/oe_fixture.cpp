#include "oe_fixture.h"

#include "regkey.h"
#include "test_files.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace oe_fixture {
namespace {

const wchar_t kWabKey[] = L"Software\\Microsoft\\WAB\\WAB4\\Wab File Name";

// The registry trees the mail client owns (the default items back up exactly these).
const struct {
    HKEY root;
    const wchar_t* parent;
    const wchar_t* name;
} kTrees[] = {
    {HKEY_CURRENT_USER, L"", L"Identities"},
    {HKEY_CURRENT_USER, L"Software\\Microsoft", L"Outlook Express"},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft", L"Outlook Express"},
    {HKEY_CURRENT_USER, L"Software\\Microsoft\\WAB\\WAB4", L"Wab File Name"},
};

[[noreturn]] void Fail(const std::wstring& what)
{
    std::string narrow;
    for (wchar_t c : what)
        narrow += c < 128 ? static_cast<char>(c) : '?';
    throw std::runtime_error("fake mail installation: " + narrow);
}

std::string ReadFileBytes(const std::wstring& path)
{
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        Fail(L"cannot read " + path);
    return read_file(path);
}

std::wstring Decode(const std::string& bytes)
{
    if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        memcpy(text.data(), bytes.data() + 2, text.size() * 2);
        return text;
    }
    return std::wstring(bytes.begin(), bytes.end());  // plain ASCII
}

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::wstring line;
    for (wchar_t c : text) {
        if (c == L'\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != L'\r') {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::vector<uint8_t> Utf16z(const std::wstring& text)
{
    std::vector<uint8_t> data((text.size() + 1) * 2, 0);
    memcpy(data.data(), text.c_str(), text.size() * 2);
    return data;
}

// Parses the text after the opening quote; returns the position after the closing one.
size_t ParseQuoted(const std::wstring& line, size_t at, std::wstring& out)
{
    out.clear();
    for (; at < line.size(); ++at) {
        if (line[at] == L'"')
            return at + 1;
        if (line[at] == L'\\' && at + 1 < line.size())
            ++at;
        out += line[at];
    }
    Fail(L"unterminated string: " + line);
}

std::vector<uint8_t> ParseHex(const std::wstring& text, const std::wstring& line)
{
    std::vector<uint8_t> data;
    std::wstring digits;
    for (wchar_t c : text + L",") {
        if (c == L',') {
            if (digits.empty())
                continue;
            if (digits.size() > 2)
                Fail(L"bad hex byte: " + line);
            data.push_back(static_cast<uint8_t>(wcstoul(digits.c_str(), nullptr, 16)));
            digits.clear();
        } else if (iswxdigit(c)) {
            digits += c;
        } else if (c != L' ' && c != L'\t') {
            Fail(L"bad hex data: " + line);
        }
    }
    return data;
}

RegValue ParseValue(HKEY root, const std::wstring& key, const std::wstring& line)
{
    RegValue v{root, key, L"", REG_NONE, {}};
    size_t at = 0;
    if (line[0] == L'@')
        at = 1;
    else if (line[0] == L'"')
        at = ParseQuoted(line, 1, v.name);
    else
        Fail(L"bad value line: " + line);
    if (at >= line.size() || line[at] != L'=')
        Fail(L"bad value line: " + line);
    const std::wstring rhs = line.substr(at + 1);
    if (!rhs.empty() && rhs[0] == L'"') {
        std::wstring text;
        ParseQuoted(rhs, 1, text);
        v.type = REG_SZ;
        v.data = Utf16z(text);
    } else if (rhs.rfind(L"dword:", 0) == 0) {
        const uint32_t d = static_cast<uint32_t>(wcstoul(rhs.c_str() + 6, nullptr, 16));
        v.type = REG_DWORD;
        v.data.assign(reinterpret_cast<const uint8_t*>(&d), reinterpret_cast<const uint8_t*>(&d) + 4);
    } else if (rhs.rfind(L"hex:", 0) == 0) {
        v.type = REG_BINARY;
        v.data = ParseHex(rhs.substr(4), line);
    } else if (rhs.rfind(L"hex(", 0) == 0) {
        const size_t close = rhs.find(L"):");
        if (close == std::wstring::npos)
            Fail(L"bad value type: " + line);
        v.type = static_cast<DWORD>(wcstoul(rhs.c_str() + 4, nullptr, 16));
        v.data = ParseHex(rhs.substr(close + 2), line);
    } else {
        Fail(L"unsupported value: " + line);
    }
    return v;
}

std::vector<RegValue> ParseReg(const std::wstring& text)
{
    std::vector<RegValue> values;
    HKEY root = nullptr;
    std::wstring key, logical;
    for (const std::wstring& raw : Lines(text)) {
        // Hex data goes on over lines that end in a backslash.
        std::wstring line = logical.empty() ? raw : logical + raw.substr(raw.find_first_not_of(L" \t"));
        if (!line.empty() && line.back() == L'\\' && line[0] != L'[') {
            line.pop_back();
            logical = line;
            continue;
        }
        logical.clear();
        if (line.empty() || line[0] == L';' || line.rfind(L"Windows Registry Editor", 0) == 0)
            continue;
        if (line[0] == L'[') {
            const std::wstring path = line.substr(1, line.size() - 2);
            const size_t slash = path.find(L'\\');
            const std::wstring rootName = path.substr(0, slash);
            if (rootName == L"HKEY_CURRENT_USER")
                root = HKEY_CURRENT_USER;
            else if (rootName == L"HKEY_LOCAL_MACHINE")
                root = HKEY_LOCAL_MACHINE;
            else
                Fail(L"unsupported root: " + line);
            key = slash == std::wstring::npos ? L"" : path.substr(slash + 1);
            continue;
        }
        if (!root)
            Fail(L"value outside a key: " + line);
        values.push_back(ParseValue(root, key, line));
    }
    return values;
}

uint64_t Fnv1a(const std::wstring& text)
{
    uint64_t h = 14695981039346656037ull;
    for (wchar_t c : text) {
        h ^= static_cast<uint16_t>(c);
        h *= 1099511628211ull;
    }
    return h;
}

bool SameValue(const RegValue& v, std::wstring& problem)
{
    CRegKey key;
    if (key.Open(v.root, v.key.c_str(), KEY_READ) != ERROR_SUCCESS) {
        problem = L"missing key " + v.key;
        return false;
    }
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key, v.name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) {
        problem = L"missing value " + v.key + L" [" + v.name + L"]";
        return false;
    }
    std::vector<uint8_t> data(bytes);
    RegQueryValueExW(key, v.name.c_str(), nullptr, &type, data.data(), &bytes);
    if (type != v.type || data != v.data) {
        problem = L"differs " + v.key + L" [" + v.name + L"]";
        return false;
    }
    return true;
}

void MakeFolders(const std::wstring& filePath)
{
    for (size_t at = filePath.find(L'\\', 3); at != std::wstring::npos; at = filePath.find(L'\\', at + 1))
        CreateDirectoryW(filePath.substr(0, at).c_str(), nullptr);
}

// Removing the installation deletes the mail client's registry trees: never on a real Windows machine.
bool UnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

std::wstring DefaultFolder()
{
    const wchar_t* root = _wgetenv(L"BRISVALE_FIXTURES");
    if (!root || !*root)
        Fail(L"BRISVALE_FIXTURES is not set");
    return std::wstring(root) + L"\\oe";
}

Installation Load(const std::wstring& folder)
{
    if (!UnderWine())
        Fail(L"refusing to touch a real mail installation outside a Wine prefix");
    Installation inst;
    inst.values = ParseReg(Decode(ReadFileBytes(folder + L"\\fake_oe.reg")));
    std::wstring wab;
    for (const std::wstring& line : Lines(Decode(ReadFileBytes(folder + L"\\files.tsv")))) {
        const size_t tab = line.find(L'\t');
        if (tab == std::wstring::npos)
            Fail(L"bad file line: " + line);
        File file{expand(line.substr(0, tab)), _wcstoui64(line.c_str() + tab + 1, nullptr, 10)};
        if (file.path.size() > 4 && _wcsicmp(file.path.c_str() + file.path.size() - 4, L".wab") == 0)
            wab = file.path;
        inst.files.push_back(file);
    }
    for (RegValue& v : inst.values)
        if (v.root == HKEY_CURRENT_USER && v.key == kWabKey && v.name.empty())
            v.data = Utf16z(wab);
    return inst;
}

std::vector<uint8_t> Content(const File& file)
{
    // Deterministic noise per path: incompressible like real mail stores' binary parts.
    uint64_t x = Fnv1a(file.path) | 1;
    std::vector<uint8_t> data(static_cast<size_t>(file.size));
    for (uint8_t& b : data) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        b = static_cast<uint8_t>(x >> 32);
    }
    return data;
}

void Install(const Installation& inst)
{
    for (const RegValue& v : inst.values) {
        CRegKey key;
        if (key.Create(v.root, v.key.c_str()) != ERROR_SUCCESS ||
            RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size())) !=
                ERROR_SUCCESS)
            Fail(L"cannot write " + v.key + L" [" + v.name + L"]");
    }
    for (const File& file : inst.files) {
        MakeFolders(file.path);
        const std::vector<uint8_t> content = Content(file);
        write_file(file.path, {reinterpret_cast<const char*>(content.data()), content.size()});
    }
}

void Remove(const Installation& inst)
{
    for (const auto& tree : kTrees) {
        CRegKey parent;
        if (parent.Open(tree.root, tree.parent) == ERROR_SUCCESS)
            parent.RecurseDeleteKey(tree.name);
    }
    const std::wstring profile = expand(L"%USERPROFILE%");
    const std::wstring keep[] = {expand(L"%APPDATA%"), expand(L"%APPDATA%\\Microsoft")};
    for (const File& file : inst.files) {
        DeleteFileW(file.path.c_str());
        // Folders the installation made, once empty; never the profile's own.
        std::wstring dir = file.path.substr(0, file.path.find_last_of(L'\\'));
        while (dir.size() > profile.size() && _wcsicmp(dir.c_str(), keep[0].c_str()) &&
               _wcsicmp(dir.c_str(), keep[1].c_str()) && RemoveDirectoryW(dir.c_str()))
            dir = dir.substr(0, dir.find_last_of(L'\\'));
    }
}

std::vector<std::wstring> Verify(const Installation& inst)
{
    std::vector<std::wstring> problems;
    for (const RegValue& v : inst.values) {
        std::wstring problem;
        if (!SameValue(v, problem))
            problems.push_back(problem);
    }
    for (const File& file : inst.files) {
        const std::vector<uint8_t> want = Content(file);
        if (GetFileAttributesW(file.path.c_str()) == INVALID_FILE_ATTRIBUTES)
            problems.push_back(L"missing file " + file.path);
        else if (read_file(file.path) != std::string(want.begin(), want.end()))
            problems.push_back(L"file differs " + file.path);
    }
    return problems;
}

uint64_t RegistryBytes(const Installation& inst, HKEY root, const std::wstring& key)
{
    uint64_t sum = 0;
    for (const auto& v : inst.values)
        if (v.root == root && (_wcsicmp(v.key.c_str(), key.c_str()) == 0 ||
                               _wcsnicmp(v.key.c_str(), (key + L"\\").c_str(), key.size() + 1) == 0))
            sum += v.data.size();
    return sum;
}

uint64_t FolderBytes(const Installation& inst, const std::wstring& folder)
{
    uint64_t sum = 0;
    for (const auto& f : inst.files)
        if (_wcsnicmp(f.path.c_str(), (folder + L"\\").c_str(), folder.size() + 1) == 0)
            sum += f.size;
    return sum;
}

}  // namespace oe_fixture
