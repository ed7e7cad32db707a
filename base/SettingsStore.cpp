#include "base/SettingsStore.h"

#include "base/CharStream.h"
#include "base/CharUtils.h"
#include "base/Error.h"
#include "base/File.h"
#include "base/StrFormat.h"

#include <climits>
#include <cwchar>
#include <exception>

namespace {

constexpr int kLoadAttempts = 10;
constexpr int kSaveAttempts = 20;
constexpr DWORD kDefaultRetryPauseMs = 200;
DWORD g_retryPauseMs = kDefaultRetryPauseMs;

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

bool IsHexDigit(wchar_t c)
{
    return IsDigit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// A digit, or "-" followed by a digit.
bool StartsWithNumber(const wchar_t* text)
{
    return text && (IsDigit(text[0]) || (text[0] == L'-' && IsDigit(text[1])));
}

int64 Measure(const wchar_t* text)
{
    return text ? static_cast<int64>(wcslen(text)) : 0;
}

}  // namespace

int64 SettingsStore::Search(const wchar_t* key, int64 length, const String* same, int64* lower) const
{
    int64 low = 0;
    int64 high = PairCount();
    while (high > low) {
        int64 middle = (low + high) / 2;
        const String& stored = pairs.At(2 * middle);
        if (same && stored.SameBlock(*same))
            return 2 * middle;
        int order = CompareNoCase(stored.Data(), stored.Length(), key, length);
        if (order == 0)
            return 2 * middle;
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    if (lower)
        *lower = 2 * low;
    return -1;
}

int64 SettingsStore::Find(const wchar_t* key) const
{
    return Search(key, Measure(key), nullptr, nullptr);
}

int64 SettingsStore::FindString(const String& key) const
{
    return Search(key.Data(), key.Length(), &key, nullptr);
}

int64 SettingsStore::LowerBound(const String& key) const
{
    int64 lower = 0;
    int64 at = Search(key.Data(), key.Length(), nullptr, &lower);
    return at >= 0 ? at : lower;
}

String SettingsStore::Get(const wchar_t* key) const
{
    int64 at = Find(key);
    return at >= 0 ? pairs.At(at + 1) : String();
}

const wchar_t* SettingsStore::GetText(const wchar_t* key) const
{
    int64 at = Find(key);
    return at >= 0 ? pairs.At(at + 1).CStr() : nullptr;
}

void SettingsStore::Set(const String& key, const String& value)
{
    int64 lower = 0;
    int64 at = Search(key.Data(), key.Length(), &key, &lower);
    if (at >= 0)
        pairs.At(at + 1) = value;
    else
        InsertPair(lower, key, value);
}

void SettingsStore::SetString(const wchar_t* key, const String& value)
{
    Set(String(key), value);
}

void SettingsStore::SetText(const wchar_t* key, const wchar_t* value)
{
    Set(String(key), String(value));
}

void SettingsStore::PairAt(int64 i, String* key, String* value) const
{
    if (i < 0 || i >= PairCount())
        throw IndexError();
    if (key)
        *key = pairs.At(2 * i);
    if (value)
        *value = pairs.At(2 * i + 1);
}

void SettingsStore::InsertPair(int64 index, const String& key, const String& value)
{
    // One insertion of both, so a failure leaves no key without its value.
    const String pair[2] = {key, value};
    pairs.InsertCopies(index, pair, 2);
}

void SettingsStore::RemovePairAt(int64 index)
{
    if (index < 0 || index + 2 > pairs.Count())
        throw IndexError();
    pairs.Erase(index, 2);
}

void SettingsStore::Assign(const SettingsStore& other)
{
    Array<String> copy;
    copy.Reset();
    copy.InsertCopies(0, other.pairs.Data(), other.pairs.Count());
    pairs = static_cast<Array<String>&&>(copy);
}

bool SettingsStore::GetBool(const wchar_t* key, bool defaultValue) const
{
    const wchar_t* text = GetText(key);
    if (!text || !text[0])
        return defaultValue;
    return text[0] == L'1' || text[0] == L't' || text[0] == L'y';
}

int32 SettingsStore::GetTabStep() const
{
    const wchar_t* text = GetText(L"TabStep");
    if (!StartsWithNumber(text))
        return 4;
    return static_cast<int32>(wcstol(text, nullptr, 10));
}

void SettingsStore::SetTabStep(int32 n)
{
    SetString(L"TabStep", IntToString(n));
}

double SettingsStore::GetFontSize(double defaultValue) const
{
    const wchar_t* text = GetText(L"FontSize");
    if (!StartsWithNumber(text))
        return defaultValue;
    return wcstod(text, nullptr);
}

void SettingsStore::SetFontSize(double size)
{
    wchar_t text[kFormatWide30Size];
    FormatWide30(text, L"%g", size);
    SetText(L"FontSize", text);
}

bool SettingsStore::GetRect(const wchar_t* key, RECT* rect) const
{
    const wchar_t* text = GetText(key);
    if (!text || !text[0])
        return false;
    LONG numbers[4] = {};
    int count = 0;
    for (const wchar_t* p = text; *p;) {
        if (!IsDigit(*p) && *p != L'-') {
            p++;
            continue;
        }
        long long value = _wcstoi64(p, nullptr, 10);
        if (value < INT32_MIN)
            value = INT32_MIN;
        if (value > INT32_MAX)
            value = INT32_MAX;
        if (count < 4)
            numbers[count] = static_cast<LONG>(value);
        count++;
        while (IsDigit(*p) || *p == L'-')
            p++;
    }
    if (count != 4)
        return false;
    rect->left = numbers[0];
    rect->top = numbers[1];
    rect->right = numbers[2];
    rect->bottom = numbers[3];
    return true;
}

void SettingsStore::SetRect(const wchar_t* key, const RECT& rect)
{
    SetString(key, StrFormat(L"[],[],[],[]", rect.left, rect.top, rect.right, rect.bottom));
}

u32 SettingsStore::GetColor(const wchar_t* key, u32 defaultValue) const
{
    const wchar_t* text = GetText(key);
    if (!text)
        return defaultValue;
    if (text[0] == L'#' && IsHexDigit(text[1]))
        return static_cast<u32>(wcstoul(text + 1, nullptr, 16));
    if (IsDigit(text[0]))
        return static_cast<u32>(wcstoul(text, nullptr, 10));
    return defaultValue;
}

void SettingsStore::SetColor(const wchar_t* key, u32 color)
{
    wchar_t text[kFormatWide30Size];
    FormatWide30(text, L"#%06x", static_cast<unsigned>(color));
    SetText(key, text);
}

void LoadKeyValueFile(SettingsStore& store, const wchar_t* name)
{
    String path(name);
    // A store emptied for reading holds no settings until the file is read,
    // so a failed reload must not leave it marked as loaded and be saved.
    store.loaded = 0;
    for (int attempt = 1;; attempt++) {
        store.pairs.Release();
        try {
            File file;
            file.Open(path, kFileRead, -4);
            CharStream stream(file, kStreamUtf8, true);
            file.Release();
            while (!stream.AtEnd()) {
                String line = stream.ReadLine();
                const wchar_t* text = line.Data();
                int64 length = line.Length();
                int64 eq = 0;
                while (eq < length && text[eq] != L'=')
                    eq++;
                if (eq < length)
                    store.Set(line.Substring(0, eq), line.Substring(eq + 1, length - eq - 1));
            }
            store.loaded = 1;
            return;
        } catch (const Error& e) {
            if (e.code == ERROR_FILE_NOT_FOUND || e.code == ERROR_PATH_NOT_FOUND) {
                store.loaded = 1;
                return;
            }
            if (attempt == kLoadAttempts)
                throw;
        }
        Sleep(g_retryPauseMs);
    }
}

namespace {

// Copies the file to its backup name through a temporary one, put in place
// only when complete: a copy that fails half-way (a full disk) must not take
// the previous backup with it. False when there is no file to copy.
bool CopyToBackup(const String& path, const String& copy, const String& backup)
{
    if (!CopyWholeFile(path.CStr(), copy.CStr())) {
        DWORD error = GetLastError();
        DeleteFileW(copy.CStr());
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return false;
        ThrowWinError(error, path.CStr());
    }
    if (!MoveFileExW(copy.CStr(), backup.CStr(), MOVEFILE_REPLACE_EXISTING)) {
        DWORD error = GetLastError();
        DeleteFileW(copy.CStr());
        ThrowWinError(error, backup.CStr());
    }
    return true;
}

}  // namespace

void SaveKeyValueFile(const SettingsStore& store, const wchar_t* name)
{
    String path(name);
    String backup;
    backup.Concat(path.CStr(), path.Length(), L".bak", 4);
    String copy;
    copy.Concat(backup.CStr(), backup.Length(), L".new", 4);
    // Settled once the old file is copied or known not to exist; until then
    // nothing may be truncated.
    bool backupSettled = false;
    bool haveBackup = false;
    std::exception_ptr last;
    for (int attempt = 1; attempt <= kSaveAttempts; attempt++) {
        if (attempt > 1)
            Sleep(g_retryPauseMs);
        bool created = false;
        File file;
        try {
            if (!backupSettled) {
                haveBackup = CopyToBackup(path, copy, backup);
                backupSettled = true;
            }
            file.Open(path, kFileCreate, -4);
            created = true;
            CharStream stream(file, kStreamUtf8, true);
            for (int64 i = 0; i + 1 < store.pairs.Count(); i += 2) {
                stream.WriteText(store.pairs.At(i));
                stream.WriteChar(L'=');
                stream.WriteText(store.pairs.At(i + 1));
                stream.WriteChar(L'\n');
            }
            file.Close();
            return;
        } catch (const Error&) {
            last = std::current_exception();
            // Drop the handle without writing out what is pending.
            file.Release();
            if (created)
                DeleteFileW(path.CStr());
        }
    }
    if (haveBackup)
        CopyFileW(backup.CStr(), path.CStr(), FALSE);
    std::rethrow_exception(last);
}

void SetKeyValueRetryPause(DWORD ms)
{
    g_retryPauseMs = ms;
}
