#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"

#include <windows.h>

// Key/value settings kept sorted by key without regard to case (CompareNoCase),
// no two keys equal. Positions passed between the operations are element
// indices into pairs (key 2i, value 2i + 1); PairAt and PairCount count pairs.
class SettingsStore {
public:
    Array<String> pairs;
    u8 loaded = 0;  // set when a file was read or found absent; only a loaded store is saved

    // Element index of the key, or -1.
    int64 Find(const wchar_t* key) const;
    // The same; the very block of a stored key is equal without comparing.
    int64 FindString(const String& key) const;
    // Element index where the key stands or would be inserted.
    int64 LowerBound(const String& key) const;

    // The value shared; a null String when absent.
    String Get(const wchar_t* key) const;
    // The value's text: null when absent, an empty text when the value is empty.
    // Valid while the store holds that value.
    const wchar_t* GetText(const wchar_t* key) const;

    // Replaces the value of an equal key (keeping the stored key's spelling) or
    // inserts the pair at its sorted place.
    void Set(const String& key, const String& value);
    void SetString(const wchar_t* key, const String& value);
    // A null value stores an empty one.
    void SetText(const wchar_t* key, const wchar_t* value);

    // Shares pair i into whichever outputs are not null; IndexError outside.
    void PairAt(int64 i, String* key, String* value) const;
    void InsertPair(int64 index, const String& key, const String& value);
    void RemovePairAt(int64 index);
    int64 PairCount() const { return pairs.Count() / 2; }
    // A new array sharing the other's Strings; the loaded flag is not copied.
    void Assign(const SettingsStore& other);

    // Absent or empty: the default; first character "1", "t" or "y": true.
    bool GetBool(const wchar_t* key, bool defaultValue) const;
    // "TabStep": the leading integer, 4 when absent or not a number.
    int32 GetTabStep() const;
    void SetTabStep(int32 n);
    // "FontSize": the leading real number, the default when absent or not a number.
    double GetFontSize(double defaultValue) const;
    void SetFontSize(double size);
    // Four numbers in any separation; false (rectangle untouched) for any other count.
    bool GetRect(const wchar_t* key, RECT* rect) const;
    void SetRect(const wchar_t* key, const RECT& rect);
    // "#" and hexadecimal digits, or decimal digits; the default otherwise.
    u32 GetColor(const wchar_t* key, u32 defaultValue) const;
    void SetColor(const wchar_t* key, u32 color);

private:
    // Binary search; the element index of an equal key or -1, with the
    // insertion place in *lower.
    int64 Search(const wchar_t* key, int64 length, const String* same, int64* lower) const;
};

// Reads a UTF-8 file of key=value lines (CR LF) into the store, replacing what
// it held. A missing file or folder leaves it empty and loaded. Other failures
// are retried 10 times 200 ms apart, then thrown with the loaded flag clear.
void LoadKeyValueFile(SettingsStore& store, const wchar_t* name);

// Writes the store as key=value lines (UTF-8, CR LF) after copying an existing
// file to name + ".bak". Failures are retried 20 times 200 ms apart; after the
// last the copy is put back and the error thrown. When the existing file
// cannot be copied, nothing is truncated.
void SaveKeyValueFile(const SettingsStore& store, const wchar_t* name);

// Lets tests shorten the pause between attempts (200 ms by default).
void SetKeyValueRetryPause(DWORD ms);
