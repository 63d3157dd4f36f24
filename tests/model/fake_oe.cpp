// Lays the fake mail-client installation into the current Wine prefix, removes it, or checks it.
//   fake_oe [--remove | --verify] [FIXTURE_FOLDER]
// The folder defaults to %BRISVALE_FIXTURES%\oe.
#include "oe_fixture.h"

#include <shellapi.h>
#include <cstdio>
#include <exception>
#include <string>

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring mode = L"--install", folder;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--remove" || arg == L"--verify")
            mode = arg;
        else if (!arg.empty() && arg[0] != L'-')
            folder = arg;
        else {
            fwprintf(stderr, L"usage: fake_oe [--remove | --verify] [FIXTURE_FOLDER]\n");
            return 2;
        }
    }
    try {
        const oe_fixture::Installation inst = oe_fixture::Load(folder.empty() ? oe_fixture::DefaultFolder() : folder);
        if (mode == L"--remove") {
            oe_fixture::Remove(inst);
            wprintf(L"fake_oe: removed\n");
        } else if (mode == L"--verify") {
            const auto problems = oe_fixture::Verify(inst);
            for (const std::wstring& p : problems)
                wprintf(L"fake_oe: %ls\n", p.c_str());
            wprintf(L"fake_oe: %u registry values, %u files: %ls\n", static_cast<unsigned>(inst.values.size()),
                    static_cast<unsigned>(inst.files.size()), problems.empty() ? L"OK" : L"problems");
            return problems.empty() ? 0 : 1;
        } else {
            oe_fixture::Install(inst);
            wprintf(L"fake_oe: installed %u registry values and %u files\n", static_cast<unsigned>(inst.values.size()),
                    static_cast<unsigned>(inst.files.size()));
        }
    } catch (const std::exception& e) {
        fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
