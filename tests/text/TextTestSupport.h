#pragma once

#include "base/Types.h"
#include "text/TextBuff.h"

#include <string>
#include <vector>

namespace texttest {

// Hands out given bytes in pieces of chosen sizes, so that tests decide
// where the blocks of a loaded text end.
class PieceLoader : public TextBuff::Loader {
public:
    PieceLoader(const std::string& bytes, std::vector<int64> pieces) : bytes_(bytes), pieces_(std::move(pieces)) {}

    int64 Read(u8* buffer, int64 n) override
    {
        int64 left = static_cast<int64>(bytes_.size()) - pos_;
        int64 take = next_ < pieces_.size() ? pieces_[next_++] : n;
        if (take > n)
            take = n;
        if (take > left)
            take = left;
        for (int64 i = 0; i < take; i++)
            buffer[i] = static_cast<u8>(bytes_[static_cast<size_t>(pos_ + i)]);
        pos_ += take;
        return take;
    }

private:
    std::string bytes_;
    std::vector<int64> pieces_;
    size_t next_ = 0;
    int64 pos_ = 0;
};

// Collects what a TextBuff writes out.
class StringSaver : public TextBuff::Saver {
public:
    void Write(const u8* bytes, int64 n) override
    {
        data.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(n));
        writes++;
    }
    std::string data;
    int writes = 0;
};

// Loads bytes into an emptied buffer in the given encoding, cut into blocks
// of the given sizes (whole pieces of 7168 bytes when none are given).
inline void LoadText(TextBuff& text, const std::string& bytes, EncodingId encoding = EncodingUtf8,
                     std::vector<int64> pieces = {})
{
    text.Clear();
    text.SetEncoding(encoding);
    PieceLoader loader(bytes, std::move(pieces));
    text.Load(loader);
}

inline std::string Contents(TextBuff& text)
{
    std::string s(static_cast<size_t>(text.Size()), '\0');
    if (!s.empty())
        text.CopyBytes(0, reinterpret_cast<u8*>(&s[0]), text.Size());
    return s;
}

inline int64 Put(TextBuff& text, int64 a, int64 b, const std::string& bytes)
{
    return text.Replace(a, b, reinterpret_cast<const u8*>(bytes.data()), static_cast<int64>(bytes.size()));
}

inline std::vector<int32> BlockSizes(const TextBuff& text)
{
    std::vector<int32> sizes;
    for (int64 i = 0; i < text.BlockCount(); i++)
        sizes.push_back(text.EntryAt(i).bytes);
    return sizes;
}

// UTF-16LE bytes of a wide text.
inline std::string Utf16LE(const std::wstring& s)
{
    std::string out;
    for (wchar_t c : s) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>((c >> 8) & 0xFF);
    }
    return out;
}

inline std::string Utf16BE(const std::wstring& s)
{
    std::string out;
    for (wchar_t c : s) {
        out += static_cast<char>((c >> 8) & 0xFF);
        out += static_cast<char>(c & 0xFF);
    }
    return out;
}

}  // namespace texttest
