#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"

#include <memory>
#include <string>

class Hunspell;
struct CodePageTable;

// The two folders dictionaries come from, each ending with "\": the user's
// (installed dictionaries, ".del" markers and every ".usr" file) and the one
// shipped beside the program.
struct DictFolders {
    String user;
    String shipped;

    // "spellcheck\" of the user data folder and of the program folder.
    static DictFolders OfApplication();
};

// One loaded spelling dictionary: the engine's object for a .aff/.dic pair,
// the table that converts words into the dictionary's 8-bit encoding (none
// for UTF-8), the user's own words (".usr") and the words ignored this run.
class CorrectorDict {
public:
    CorrectorDict();
    virtual ~CorrectorDict();
    CorrectorDict(const CorrectorDict&) = delete;
    CorrectorDict& operator=(const CorrectorDict&) = delete;

    // Loads name.aff/name.dic: the user folder's pair when its .dic exists,
    // else the shipped pair. InternalError for an empty name, WinError 2 with
    // the .dic path when neither exists, SpellDictEncodingError (-400) for an
    // encoding without a table (the engine's object stays for the caller to
    // destroy with the dictionary).
    void Load(const String& name, const DictFolders& folders);

    // Reads the ".usr" file (CR, LF or CR LF line ends) into the user words
    // and the engine; nothing when it is missing. Read errors propagate.
    void LoadUserWords();
    // Writes the user words of 1-200 characters, CR LF after each, into a
    // temporary file that replaces the ".usr" only once it is complete; on
    // failure the old file stays as it was and the error propagates.
    void SaveUserWords() const;

    void AddUserWord(const wchar_t* word);
    // Accepts the word for this run; nothing is recorded when the engine
    // already knows it.
    void IgnoreWord(const wchar_t* word);

    // An empty word is correct; a word the encoding cannot express is correct
    // only when it stands in the user or ignored words. Never throws.
    bool IsCorrect(const wchar_t* word, int64 length) const noexcept;
    // At most the engine's 15 candidates, best first; none beyond 1000 characters.
    Array<String> Suggest(const String& word) const;

    // The word's bytes in the dictionary's encoding followed by one 0 byte;
    // representable is false when some character has no byte.
    void ToDictEncoding(const wchar_t* word, int64 length, std::string& bytes, bool& representable) const;

    u32 Id() const noexcept { return id_; }
    void SetId(u32 id) noexcept { id_ = id; }
    const String& Name() const noexcept { return name_; }
    const String& UserWordsPath() const noexcept { return userWordsPath_; }
    const Array<String>& UserWords() const noexcept { return userWords_; }
    const Array<String>& IgnoredWords() const noexcept { return ignoredWords_; }
    bool IsUtf8() const noexcept { return table_ == nullptr; }
    // The engine's object, null before Load.
    Hunspell* Engine() const noexcept { return hunspell_.get(); }

private:
    // The word's bytes when the engine can be asked about it.
    bool ForEngine(const String& word, std::string& bytes) const;
    void AddToEngine(const std::string& bytes);

    u32 id_ = 0;                        // 1-based position in the registry
    String name_;                       // as requested: the files' base name
    std::unique_ptr<Hunspell> hunspell_;
    String userWordsPath_;
    const CodePageTable* table_ = nullptr;  // null for a UTF-8 dictionary
    std::unique_ptr<CodePageTable> ownedTable_;  // set when table_ was built for this dictionary
    Array<String> userWords_;           // sorted by CompareDictWords, duplicates kept
    Array<String> ignoredWords_;        // the same order; never saved
    mutable std::string scratch_;       // the last converted word (GUI thread only)
};

// Lets tests stand in for GetShortPathNameW, as on volumes where short names
// are turned off; null restores the system's call.
using ShortPathCall = unsigned long (*)(const wchar_t* path, wchar_t* out, unsigned long room);
void SetShortPathCall(ShortPathCall call);

// The order of the word lists: case-insensitive first, then the shorter word,
// then at the first character that only one of them has in upper case, the
// one in lower case first.
int CompareDictWords(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen);
// The index of an equal word, else where the word would be inserted.
int64 FindDictWord(const Array<String>& list, const wchar_t* word, int64 length);
// Inserts at FindDictWord's index (duplicates are kept).
void InsertDictWord(Array<String>& list, const String& word);
// True when the list holds the word ignoring case.
bool ContainsDictWord(const Array<String>& list, const wchar_t* word, int64 length);
