// Times backups and restores of a generated mail-like tree against their bare
// counterparts over the same pieces: the SDK's encoder and decoder on one
// thread (one encoder kept across pieces, as the engine keeps one per coding
// thread) and a plain copy. Every pair is interleaved in one run and repeated;
// each figure is the min / median / max of the repeats. Memory is the
// process's private bytes, sampled through the run, beside Wine's own.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>
#include <psapi.h>
#include <shlobj.h>

#include "LzmaDec.h"
#include "backup_item.h"
#include "data_restore.h"
#include "data_store.h"
#include "engine_test_util.h"
#include "lzma_ram.h"

namespace {

constexpr double kMB = 1024.0 * 1024.0;
constexpr int kRepeats = 5;

double now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Committed private bytes: Wine leaves PrivateUsage at zero.
size_t private_bytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

// The highest private bytes seen, sampled every millisecond or so.
class PeakSampler {
public:
    PeakSampler()
        : thread_([this] {
              while (!quit_) {
                  size_t now = private_bytes();
                  size_t seen = peak_.load();
                  while (now > seen && !peak_.compare_exchange_weak(seen, now)) {
                  }
                  Sleep(1);
              }
          })
    {
    }
    ~PeakSampler()
    {
        quit_ = true;
        thread_.join();
    }
    size_t peak() const { return peak_; }

private:
    std::atomic<bool> quit_{false};
    std::atomic<size_t> peak_{0};
    std::thread thread_;
};

struct Rng {
    uint32_t x;
    uint32_t next() { return x = x * 1664525u + 1013904223u; }
};

const char* const kWords[] = {"the",       "meeting",  "report",  "attached", "please", "find",
                              "regards",   "tomorrow", "project", "budget",   "review", "thanks",
                              "question",  "schedule", "office",  "Monday",   "client", "draft",
                              "update",    "version",  "invoice", "shipping", "order",  "confirm",
                              "available", "weekend",  "family",  "photos",   "dinner", "call"};

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

// 32 MB of store files in two identities and an address book.
Tree make_tree(const std::wstring& root)
{
    Tree tree{root, {}, 0};
    const struct {
        const wchar_t* folder;
        const wchar_t* name;
        size_t megabytes;
    } stores[] = {
        {L"Identities\\{1A2B}\\Outlook Express", L"Inbox.dbx", 10},
        {L"Identities\\{1A2B}\\Outlook Express", L"Sent Items.dbx", 5},
        {L"Identities\\{1A2B}\\Outlook Express", L"Deleted Items.dbx", 3},
        {L"Identities\\{1A2B}\\Outlook Express", L"Folders.dbx", 1},
        {L"Identities\\{3C4D}\\Outlook Express", L"Inbox.dbx", 7},
        {L"Identities\\{3C4D}\\Outlook Express", L"Sent Items.dbx", 3},
        {L"Identities\\{3C4D}\\Outlook Express", L"Folders.dbx", 1},
        {L"Address Book", L"root.wab", 2},
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

double time_backup(const Tree& tree, const std::wstring& archive, bool compress, unsigned threads)
{
    DeleteFileW(archive.c_str());
    FileDataStore store(archive, compress, false, L"");
    store.threads = threads;
    for (const std::wstring& file : tree.files) {
        const size_t cut = file.rfind(L'\\');
        store.add_item(
            to_file_item(FileNode(tree.root + L"\\" + file.substr(0, cut), false, file.substr(cut + 1), L"*.*")));
    }
    const double start = now();
    const uint64_t stored = store.run();
    const double seconds = now() - start;
    if (stored != tree.bytes)
        std::printf("warning: stored %llu of %llu bytes\n", static_cast<unsigned long long>(stored),
                    static_cast<unsigned long long>(tree.bytes));
    return seconds;
}

// Restores the archive into a fresh folder that the stored %APPDATA% names.
double time_restore(const std::wstring& archive, const std::wstring& target, unsigned threads)
{
    remove_tree(target);
    CreateDirectoryW(target.c_str(), nullptr);
    wchar_t appdata[MAX_PATH];
    GetEnvironmentVariableW(L"APPDATA", appdata, MAX_PATH);
    SetEnvironmentVariableW(L"APPDATA", target.c_str());
    DataRestore<WriterFactories> restore(archive, 0, nullptr, L"");
    restore.threads = threads;
    const double start = now();
    const uint64_t restored = restore.run();
    const double seconds = now() - start;
    SetEnvironmentVariableW(L"APPDATA", appdata);
    if (!restore.skipped().empty() || restored == 0)
        std::printf("warning: restored %llu bytes, %zu items left out\n", static_cast<unsigned long long>(restored),
                    restore.skipped().size());
    remove_tree(target);
    return seconds;
}

void* sz_alloc(void*, size_t n)
{
    return malloc(n);
}
void sz_free(void*, void* p)
{
    free(p);
}
ISzAlloc kAlloc = {sz_alloc, sz_free};

// The SDK's encoder with the engine's settings over the same pieces, one
// encoder kept for all of them; only the encoding is timed.
double time_bare_encoder(const Tree& tree)
{
    const CLzmaEncProps props = LzmaRamProps(0x200000);
    CLzmaEncHandle encoder = LzmaEnc_Create(&kAlloc);
    std::vector<Byte> piece(kChunkPiece), out(2 * kChunkPiece);
    double seconds = 0;
    for (const std::wstring& file : tree.files) {
        HANDLE h = CreateFileW((tree.root + L"\\" + file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        DWORD got = 0;
        while (ReadFile(h, piece.data(), kChunkPiece, &got, nullptr) && got != 0) {
            const double start = now();
            SizeT propsLen = LZMA_PROPS_SIZE, outLen = out.size() - 14;
            LzmaEnc_SetProps(encoder, &props);
            LzmaEnc_WriteProperties(encoder, out.data() + 1, &propsLen);
            LzmaEnc_MemEncode(encoder, out.data() + 14, &outLen, piece.data(), got, 0, nullptr, &kAlloc, &kAlloc);
            seconds += now() - start;
        }
        CloseHandle(h);
    }
    LzmaEnc_Destroy(encoder, &kAlloc, &kAlloc);
    return seconds;
}

// The SDK's decoder over the compressed pieces of the archive, read from it
// record by record; only the decoding is timed.
double time_bare_decoder(const std::wstring& archive)
{
    const std::vector<uint8_t> file = read_bytes(archive);
    std::vector<Byte> out(kChunkPiece);
    double seconds = 0;
    for (size_t at = 0; at + 4 <= file.size();) {
        uint32_t n;
        std::memcpy(&n, &file[at], 4);
        at += 4 + n;  // the head
        for (ChunkHeader chunk; std::memcpy(&chunk, &file[at], sizeof chunk), at += sizeof chunk, chunk.end == 0;
             at += chunk.n) {
            const uint8_t* block = &file[at];
            if (block[0] == 0)
                continue;  // stored
            SizeT outLen = 0, inLen = chunk.n - 15;
            for (int i = 7; i >= 0; --i)
                outLen = (outLen << 8) | block[7 + i];
            ELzmaStatus status;
            const double start = now();
            LzmaDecode(out.data(), &outLen, block + 15, &inLen, block + 2, LZMA_PROPS_SIZE, LZMA_FINISH_ANY, &status,
                       &kAlloc);
            seconds += now() - start;
        }
    }
    return seconds;
}

struct Figure {
    const char* name;
    std::vector<double> seconds = {};
    double median() const
    {
        std::vector<double> s = seconds;
        std::sort(s.begin(), s.end());
        return s[s.size() / 2];
    }
};

void print(const Figure& f, double mb)
{
    const auto [lo, hi] = std::minmax_element(f.seconds.begin(), f.seconds.end());
    std::printf("%-28s %8.1f %8.1f %8.1f MB/s\n", f.name, mb / *hi, mb / f.median(), mb / *lo);
}

}  // namespace

int main()
{
    const size_t wineBaseline = private_bytes();
    wchar_t appdata[MAX_PATH];
    GetEnvironmentVariableW(L"APPDATA", appdata, MAX_PATH);
    const std::wstring base = std::wstring(appdata) + L"\\bvbench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(base.c_str(), nullptr);
    const Tree tree = make_tree(base + L"\\src");
    const std::wstring archive = base + L"\\Backup.bvk";
    const std::wstring compressed = base + L"\\Compressed.bvk";
    const double mb = static_cast<double>(tree.bytes) / kMB;
    const unsigned pool = coding_threads();
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    std::printf("%s build; tree: %zu files, %.1f MB; %lu cores, pool of %u threads; %d repeats\n",
                sizeof(void*) == 8 ? "64-bit" : "32-bit", tree.files.size(), mb, info.dwNumberOfProcessors, pool,
                kRepeats);

    Figure copy{"plain copy"}, raw1{"raw backup, 1 thread"}, rawN{"raw backup, pool"};
    for (int i = 0; i < 7; ++i) {
        copy.seconds.push_back(time_copy(tree, base + L"\\copy"));
        raw1.seconds.push_back(time_backup(tree, archive, false, 1));
        rawN.seconds.push_back(time_backup(tree, archive, false, pool));
    }
    size_t peakSequential = 0, peakPool = 0;
    Figure encoder{"bare encoder, 1 thread"}, comp1{"compressed backup, 1 thread"}, compN{"compressed backup, pool"};
    Figure decoder{"bare decoder, 1 thread"}, restore1{"restore, 1 thread"}, restoreN{"restore, pool"};
    for (int i = 0; i < kRepeats; ++i) {
        encoder.seconds.push_back(time_bare_encoder(tree));
        {
            PeakSampler sampler;
            comp1.seconds.push_back(time_backup(tree, compressed, true, 1));
            restore1.seconds.push_back(time_restore(compressed, base + L"\\restore", 1));
            peakSequential = std::max(peakSequential, sampler.peak());
        }
        {
            PeakSampler sampler;
            compN.seconds.push_back(time_backup(tree, compressed, true, pool));
            restoreN.seconds.push_back(time_restore(compressed, base + L"\\restore", pool));
            peakPool = std::max(peakPool, sampler.peak());
        }
        decoder.seconds.push_back(time_bare_decoder(compressed));
    }

    std::printf("%-28s %8s %8s %8s\n", "", "min", "median", "max");
    for (const Figure* f : {&copy, &raw1, &rawN, &encoder, &comp1, &compN, &decoder, &restore1, &restoreN})
        print(*f, mb);
    const auto ratio = [](const Figure& bare, const Figure& f) { return bare.median() / f.median(); };
    std::printf("compressed backup / bare encoder   1 thread %5.2f   pool %5.2f (goal >= 5)\n", ratio(encoder, comp1),
                ratio(encoder, compN));
    std::printf("restore / bare decoder             1 thread %5.2f   pool %5.2f (goal >= 4)\n",
                ratio(decoder, restore1), ratio(decoder, restoreN));
    std::printf("raw backup / plain copy            1 thread %5.2f   pool %5.2f (goal >= 0.9)\n", ratio(copy, raw1),
                ratio(copy, rawN));
    const double state = pool * 21.3;
    std::printf(
        "peak private bytes, Wine's baseline %.1f MB: 1 thread %.1f MB, pool %.1f MB "
        "(goal: pool within %.1f MB = baseline + 32 + %u x 21.3)\n",
        wineBaseline / kMB, peakSequential / kMB, peakPool / kMB, wineBaseline / kMB + 32 + state, pool);
    remove_tree(base);
    return 0;
}
