// Loads 100000 random and mutated colour-theme files into a working copy of
// the settings and checks each result: no crash, no key outside the element
// table changed, element keys exactly as the file reads, an unreadable file
// changing nothing. Prints the time per file beside the settings reader
// alone on the same files.
//
//   theme_fuzz [count] [seed]

#include "BenchTiming.h"

#include "base/AppContext.h"
#include "base/Error.h"
#include "tests/support/ThemeFuzz.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void WriteBytes(const wchar_t* path, const std::string& bytes)
{
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        ThrowLastError(path);
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    if (!ok || written != bytes.size())
        ThrowWinError(ERROR_WRITE_FAULT, path);
}

}  // namespace

int main(int argc, char** argv)
{
    AppContext context(GetModuleHandleW(nullptr));
    long long count = argc > 1 ? std::atoll(argv[1]) : 100000;
    unsigned long long seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20261209ull;
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"theme_fuzz.ScrivelColors";

    SettingsStore base;
    base.SetText(L"FontName", L"Mono");
    base.SetText(L"UILanguage", L"english");
    base.SetText(L"TextColor", L"#123456");
    base.SetText(L"KeywordBold", L"false");
    base.SetText(L"TagBgColor", L"");
    std::string valid = "KeywordColor=#00ff00\r\nTextBgColor=#ffffff\r\nTextBold=true\r\nTextColor=#000000\r\n";

    themefuzz::Random random{seed};
    long long faults = 0, errors = 0;
    double themeSeconds = 0, readerSeconds = 0;
    for (long long i = 0; i < count; i++) {
        std::string bytes = random.Below(2) ? themefuzz::RandomTheme(random, true)
                                            : themefuzz::MutatedTheme(random, valid);
        WriteBytes(path.c_str(), bytes);
        SettingsStore working;
        working.Assign(base);
        Clock clock;
        try {
            LoadColorTheme(working, path.c_str());
        } catch (const Error&) {
            errors++;
        }
        themeSeconds += clock.Seconds();
        Clock reference;
        SettingsStore alone;
        LoadKeyValueFile(alone, path.c_str());
        readerSeconds += reference.Seconds();
        std::string fault = themefuzz::CheckLoaded(base, working, path.c_str());
        if (!fault.empty()) {
            faults++;
            std::printf("seed %llu input %lld: %s\n", seed, i, fault.c_str());
        }
    }
    DeleteFileW(path.c_str());
    std::printf("theme_fuzz_inputs: %lld files\n", count);
    std::printf("theme_fuzz_faults: %lld\n", faults);
    std::printf("theme_fuzz_errors: %lld\n", errors);
    std::printf("theme_load: %.2f us/file\n", count ? themeSeconds * 1e6 / static_cast<double>(count) : 0.0);
    std::printf("reference_settings_reader: %.2f us/file\n",
                count ? readerSeconds * 1e6 / static_cast<double>(count) : 0.0);
    return faults ? 1 : 0;
}
