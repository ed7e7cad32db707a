#pragma once

// Theme files as an attacker or a broken disk would give them, and the check
// that loading one changes only element keys and exactly as the file says.
// Header-only, so the fuzz benchmark can use it without the test support.

#include "base/SettingsStore.h"
#include "editor/ColorThemes.h"

#include <windows.h>

#include <string>
#include <vector>

namespace themefuzz {

// splitmix64: the same seed, the same files.
struct Random {
    unsigned long long state;
    unsigned long long Next()
    {
        unsigned long long z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }
};

inline std::string Utf8(const wchar_t* text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, &s[0], n, nullptr, nullptr);
    return s;
}

inline std::string AnyKey(Random& r)
{
    static const char* const strangers[] = {"FontName", "Hibernate", "UILanguage", "TabStep", "FontSize",
                                            "BackupFiles", "", "=", "textcolor", "KEYWORDBOLD", "Color"};
    if (r.Below(3) == 0)
        return strangers[r.Below(sizeof strangers / sizeof strangers[0])];
    const ColorElement& e = kColorElements[r.Below(kColorElementCount)];
    return Utf8(e.boldKey && r.Below(2) ? e.boldKey : e.colorKey);
}

inline std::string AnyValue(Random& r, bool allowHuge)
{
    switch (r.Below(9)) {
    case 0: return "";
    case 1: return "#" + std::to_string(r.Below(0xFFFFFF));
    case 2: {
        char text[16];
        snprintf(text, sizeof text, "#%06llx", static_cast<unsigned long long>(r.Below(0x1000000)));
        return text;
    }
    case 3: return r.Below(2) ? "true" : "false";
    case 4: return std::string(1, '\0') + "#ff";
    case 5: return allowHuge ? std::string(1 << 20, static_cast<char>('0' + r.Below(10))) : "1234";
    case 6: return "\xEF\xBB\xBF#00ff00";
    case 7: return "\xC3\x28\xFF\xFE";
    default: return std::to_string(r.Next());
    }
}

// A fresh file: lines of keys and values, some without "=", some repeated,
// in UTF-8 (with or without a BOM) or UTF-16 bytes.
inline std::string RandomTheme(Random& r, bool allowHuge)
{
    std::string out;
    switch (r.Below(6)) {
    case 0: out = "\xEF\xBB\xBF"; break;
    case 1: out = "\xFF\xFE"; break;
    case 2: out = "\xFE\xFF"; break;
    default: break;
    }
    size_t lines = r.Below(40);
    for (size_t i = 0; i < lines; i++) {
        switch (r.Below(8)) {
        case 0: out += AnyKey(r); break;  // no "="
        case 1:
            for (size_t k = r.Below(64); k > 0; k--)
                out += static_cast<char>(r.Below(256));
            break;
        default: out += AnyKey(r) + "=" + AnyValue(r, allowHuge && r.Below(50) == 0); break;
        }
        static const char* const ends[] = {"\r\n", "\n", "\r", "", "\n\n"};
        out += ends[r.Below(5)];
    }
    return out;
}

// A mutation of a valid theme: bytes flipped, runs cut, copied or NULs put in.
inline std::string MutatedTheme(Random& r, const std::string& seed)
{
    std::string out = seed;
    for (size_t m = 1 + r.Below(4); m > 0; m--) {
        size_t at = r.Below(out.size() + 1);
        switch (r.Below(6)) {
        case 0:
            if (!out.empty())
                out[r.Below(out.size())] ^= static_cast<char>(1u << r.Below(8));
            break;
        case 1: out.erase(at, r.Below(32)); break;
        case 2: out.insert(at, 1 + r.Below(4), '\0'); break;
        case 3: out.insert(at, out.substr(r.Below(out.size() + 1), r.Below(64))); break;
        case 4: out.resize(at); break;
        default: out.insert(at, AnyKey(r) + "=" + AnyValue(r, false) + "\r\n"); break;
        }
    }
    return out;
}

inline bool SameText(const String& a, const String& b)
{
    return a.Length() == b.Length() && (a.Length() == 0 || wmemcmp(a.Data(), b.Data(), a.Length()) == 0);
}

inline bool IsElementKey(const String& key)
{
    bool found = false;
    ForEachElementKey([&](const wchar_t* k) {
        found = found || CompareStringOrdinal(k, -1, key.CStr(), static_cast<int>(key.Length()), TRUE) == CSTR_EQUAL;
    });
    return found;
}

// Empty when the result is what loading the file into before must give:
// every stranger key kept as it was, every element key as the file reads.
inline std::string CheckLoaded(const SettingsStore& before, const SettingsStore& after, const wchar_t* path)
{
    for (int64 i = 0; i < before.PairCount(); i++) {
        String key, value;
        before.PairAt(i, &key, &value);
        if (!IsElementKey(key) && !SameText(after.Get(key.CStr()), value))
            return "a key outside the table changed";
    }
    for (int64 i = 0; i < after.PairCount(); i++) {
        String key;
        after.PairAt(i, &key, nullptr);
        if (!IsElementKey(key) && before.Find(key.CStr()) < 0)
            return "a key outside the table appeared";
    }
    SettingsStore theme;
    LoadKeyValueFile(theme, path);
    std::string fault;
    ForEachElementKey([&](const wchar_t* k) {
        String expected = theme.Get(k);
        const wchar_t* left = after.GetText(k);
        if (expected.IsEmpty() ? left && left[0] : !SameText(after.Get(k), expected))
            fault = "an element key differs from what the theme says";
    });
    return fault;
}

}  // namespace themefuzz
