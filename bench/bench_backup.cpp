// Backs up a generated mail-like tree raw, compressed, and compressed and
// encrypted, and measures against the bare LZMA encoder over the same pieces
// and a plain copy of the tree. Prints MB/s, the two ratios and peak memory.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>
#include <psapi.h>
#include <shlobj.h>

#include "backup_item.h"
#include "engine_test_util.h"
#include "lzma_ram.h"

namespace {

constexpr double kMB = 1024.0 * 1024.0;

double now()
{
    static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Rng {
    uint32_t x;
    uint32_t next() { return x = x * 1664525u + 1013904223u; }
};

const char* const kWords[] = {
    "the", "meeting", "report", "attached", "please", "find", "regards", "tomorrow", "project", "budget",
    "review", "thanks", "question", "schedule", "office", "Monday", "client", "draft", "update", "version",
    "invoice", "shipping", "order", "confirm", "available", "weekend", "family", "photos", "dinner", "call"};

// One message: headers and a text body, and now and then an attachment of
// incompressible bytes (already-compressed pictures and archives).
void append_message(std::string& out, Rng& rng, int index)
{
    out += "From: user" + std::to_string(rng.next() % 50) + "@example.com\r\n";
    out += "To: friend" + std::to_string(rng.next() % 50) + "@example.org\r\n";
    out += "Subject: Re: " + std::string(kWords[rng.next() % 30]) + " " + kWords[rng.next() % 30] + "\r\n";
    out += "Message-ID: <" + std::to_string(index) + "." + std::to_string(rng.next()) + "@mail.example.com>\r\n";
    out += "Date: Mon, 7 Dec 2026 10:" + std::to_string(10 + rng.next() % 50) + ":00 +0000\r\n\r\n";
    const size_t words = 300 + rng.next() % 2000;
    for (size_t w = 0; w < words; ++w) {
        out += kWords[rng.next() % 30];
        out += (w % 14 == 13) ? "\r\n" : " ";
    }
    out += "\r\n\r\n";
    if (rng.next() % 3 == 0) {
        const size_t size = 20000 + rng.next() % 200000;
        for (size_t i = 0; i < size; ++i)
            out += static_cast<char>(rng.next() >> 24);
    }
}

struct Tree {
    std::wstring root;
    std::vector<std::wstring> files;  // relative paths
    uint64_t bytes = 0;
};

// About 64 MB of store files in two identities and an address book.
Tree make_tree(const std::wstring& root)
{
    Tree tree{root, {}, 0};
    const struct {
        const wchar_t* folder;
        const wchar_t* name;
        size_t megabytes;
    } stores[] = {
        {L"Identities\\{1A2B}\\Outlook Express", L"Inbox.dbx", 20},
        {L"Identities\\{1A2B}\\Outlook Express", L"Sent Items.dbx", 10},
        {L"Identities\\{1A2B}\\Outlook Express", L"Deleted Items.dbx", 6},
        {L"Identities\\{1A2B}\\Outlook Express", L"Folders.dbx", 1},
        {L"Identities\\{3C4D}\\Outlook Express", L"Inbox.dbx", 14},
        {L"Identities\\{3C4D}\\Outlook Express", L"Sent Items.dbx", 8},
        {L"Identities\\{3C4D}\\Outlook Express", L"Folders.dbx", 1},
        {L"Address Book", L"root.wab", 4},
    };
    Rng rng{2026};
    int index = 0;
    for (const auto& store : stores) {
        const std::wstring folder = root + L"\\" + store.folder;
        SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
        // Written in small blocks, so the generator adds little to the peak.
        const std::wstring path = folder + L"\\" + store.name;
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const size_t size = store.megabytes << 20;
        std::string data;
        for (size_t written = 0; written < size;) {
            while (data.size() < (1u << 20))
                append_message(data, rng, index++);
            const DWORD n = static_cast<DWORD>(std::min(data.size(), size - written));
            DWORD put = 0;
            if (!WriteFile(h, data.data(), n, &put, nullptr) || put != n)
                std::printf("warning: cannot write %ls\n", path.c_str());
            written += n;
            data.erase(0, n);
        }
        CloseHandle(h);
        tree.bytes += size;
        tree.files.push_back(std::wstring(store.folder) + L"\\" + store.name);
    }
    return tree;
}

double time_copy(const Tree& tree, const std::wstring& target)
{
    remove_tree(target);
    const double start = now();
    for (const std::wstring& file : tree.files) {
        const std::wstring to = target + L"\\" + file;
        SHCreateDirectoryExW(nullptr, to.substr(0, to.rfind(L'\\')).c_str(), nullptr);
        CopyFileW((tree.root + L"\\" + file).c_str(), to.c_str(), FALSE);
    }
    const double seconds = now() - start;
    remove_tree(target);
    return seconds;
}

double time_backup(const Tree& tree, const std::wstring& archive, bool compress, bool encrypt)
{
    DeleteFileW(archive.c_str());
    FolderBackupItem item(1);
    item.set_folder(tree.root);
    std::atomic<bool> stop{false};
    const double start = now();
    const uint64_t stored = item.backup(archive, &stop, compress, encrypt, L"Secret-42");
    const double seconds = now() - start;
    if (stored != tree.bytes)
        std::printf("warning: stored %llu of %llu bytes\n", static_cast<unsigned long long>(stored),
                    static_cast<unsigned long long>(tree.bytes));
    DeleteFileW(archive.c_str());
    return seconds;
}

void* sz_alloc(void*, size_t n) { return malloc(n); }
void sz_free(void*, void* p) { free(p); }

// The SDK's one-call encoder with the engine's settings over the same
// pieces; only the encoding is timed.
double time_bare_encoder(const Tree& tree)
{
    const CLzmaEncProps props = LzmaRamProps(0x200000);
    ISzAlloc alloc = {sz_alloc, sz_free};
    std::vector<Byte> piece(kChunkPiece), out(2 * kChunkPiece);
    double seconds = 0;
    for (const std::wstring& file : tree.files) {
        HANDLE h = CreateFileW((tree.root + L"\\" + file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        DWORD got = 0;
        while (ReadFile(h, piece.data(), kChunkPiece, &got, nullptr) && got != 0) {
            SizeT outLen = out.size() - 14, propsLen = 5;
            const double start = now();
            LzmaEncode(out.data() + 14, &outLen, piece.data(), got, &props, out.data() + 1, &propsLen, 0, nullptr,
                       &alloc, &alloc);
            seconds += now() - start;
        }
        CloseHandle(h);
    }
    return seconds;
}

} // namespace

int main()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring base = std::wstring(temp) + L"bvbench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(base.c_str(), nullptr);
    const Tree tree = make_tree(base + L"\\src");
    const std::wstring archive = base + L"\\Backup.bvk";
    const double mb = static_cast<double>(tree.bytes) / kMB;
    std::printf("tree: %zu files, %.1f MB\n", tree.files.size(), mb);

    // Copy and raw backup take a fraction of a second: alternate them and
    // keep the best of each, so that load on the machine hits both alike.
    double copy = 1e30, raw = 1e30;
    for (int i = 0; i < 7; ++i) {
        copy = std::min(copy, time_copy(tree, base + L"\\copy"));
        raw = std::min(raw, time_backup(tree, archive, false, false));
    }
    const double bare = time_bare_encoder(tree);
    const double comp = time_backup(tree, archive, true, false);
    const double both = time_backup(tree, archive, true, true);

    std::printf("plain copy            %8.1f MB/s\n", mb / copy);
    std::printf("raw backup            %8.1f MB/s\n", mb / raw);
    std::printf("bare LZMA encoder     %8.2f MB/s\n", mb / bare);
    std::printf("compressed backup     %8.2f MB/s\n", mb / comp);
    std::printf("compressed+encrypted  %8.2f MB/s\n", mb / both);
    std::printf("compressed / bare encoder  %.3f (goal >= 0.95)\n", bare / comp);
    std::printf("raw backup / plain copy    %.3f (goal >= 0.80)\n", copy / raw);

    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    std::printf("peak working set      %8.1f MB (goal < 64)\n", static_cast<double>(counters.PeakWorkingSetSize) / kMB);
    std::printf("peak committed        %8.1f MB (goal < 64)\n", static_cast<double>(counters.PeakPagefileUsage) / kMB);
    remove_tree(base);
    return 0;
}
