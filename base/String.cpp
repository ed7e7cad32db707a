#include "base/String.h"

#include "base/Error.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

constexpr size_t kTextOffset = 12;
constexpr int kMaxListParts = 16;

wchar_t* TextOf(StringBlock* block)
{
    return reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(block) + kTextOffset);
}

// A block of n units with its NUL written; the text is left for the caller.
StringBlock* NewBlock(int64 n)
{
    if (n < 0)
        throw IndexError();
    constexpr u64 kMaxUnits = (SIZE_MAX - kTextOffset) / sizeof(wchar_t) - 1;
    if (static_cast<u64>(n) > kMaxUnits)
        throw MemoryError();
    size_t bytes = kTextOffset + (static_cast<size_t>(n) + 1) * sizeof(wchar_t);
    auto block = static_cast<StringBlock*>(malloc(bytes));
    if (!block)
        throw MemoryError();
    block->length = static_cast<u64>(n);
    block->refs = 1;
    TextOf(block)[n] = 0;
    return block;
}

}  // namespace

String::String(const wchar_t* text) : block_(nullptr)
{
    Assign(text, text ? static_cast<int64>(wcslen(text)) : 0);
}

String::String(const wchar_t* text, int64 length) : block_(nullptr)
{
    Assign(text, length);
}

String::String(const String& other) noexcept : block_(other.block_)
{
    if (block_ && block_->refs != kStaticStringRefs)
        block_->refs++;
}

void String::Take(StringBlock* block) noexcept
{
    Release();
    block_ = block;
}

void String::Assign(const wchar_t* text, int64 length)
{
    Part part{text, length};
    Build(&part, 1);
}

wchar_t* String::Allocate(int64 n)
{
    StringBlock* block = NewBlock(n);
    Take(block);
    return TextOf(block);
}

void String::Share(const String& other) noexcept
{
    if (this == &other || block_ == other.block_)
        return;
    Release();
    block_ = other.block_;
    if (block_ && block_->refs != kStaticStringRefs)
        block_->refs++;
}

void String::MoveFrom(String& other) noexcept
{
    if (this == &other)
        return;
    Release();
    block_ = other.block_;
    other.block_ = nullptr;
}

void String::Release() noexcept
{
    if (block_ && block_->refs != kStaticStringRefs && --block_->refs == 0)
        free(block_);
    block_ = nullptr;
}

const wchar_t* String::CStr() const noexcept
{
    return block_ ? TextOf(block_) : L"";
}

const wchar_t* String::Data() const noexcept
{
    return block_ ? TextOf(block_) : nullptr;
}

bool String::Equals(const wchar_t* text) const noexcept
{
    size_t n = text ? wcslen(text) : 0;
    return static_cast<u64>(Length()) == n && (n == 0 || wmemcmp(TextOf(block_), text, n) == 0);
}

bool String::Equals(const String& other) const noexcept
{
    int64 n = Length();
    return n == other.Length() && (n == 0 || wmemcmp(Data(), other.Data(), static_cast<size_t>(n)) == 0);
}

void String::Append(const wchar_t* text, int64 length)
{
    Concat(Data(), Length(), text, length);
}

void String::Concat(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen)
{
    Part parts[] = {{a, alen}, {b, blen}};
    Build(parts, 2);
}

void String::Concat3(const wchar_t* a, int64 alen, const wchar_t* b, int64 blen, const wchar_t* c, int64 clen)
{
    Part parts[] = {{a, alen}, {b, blen}, {c, clen}};
    Build(parts, 3);
}

void String::ConcatList(const wchar_t* const* parts)
{
    Part measured[kMaxListParts];
    int count = 0;
    for (; parts && parts[count]; count++) {
        if (count == kMaxListParts)
            throw IndexError();
        measured[count] = {parts[count], static_cast<int64>(wcslen(parts[count]))};
    }
    Build(measured, count);
}

void String::ConcatList(std::initializer_list<const wchar_t*> parts)
{
    const wchar_t* list[kMaxListParts + 2] = {};
    size_t n = 0;
    for (const wchar_t* p : parts) {
        if (!p)
            break;
        if (n > kMaxListParts)
            break;  // one too many is enough to be refused
        list[n++] = p;
    }
    ConcatList(list);
}

String String::Substring(int64 start, int64 count) const
{
    int64 length = Length();
    // Refused rather than read outside the text.
    if (start < 0 || count < 0 || start > length || count > length - start)
        throw IndexError();
    if (start == 0 && count == length)
        return *this;
    return String(Data() + start, count);
}

// Measures all parts, allocates once, copies, and only then gives up the old
// block, so a part may lie inside the target's own text.
void String::Build(const Part* parts, int count)
{
    int64 total = 0;
    for (int i = 0; i < count; i++) {
        if (parts[i].length < 0)
            throw IndexError();
        if (parts[i].length > INT64_MAX - total)
            throw MemoryError();
        total += parts[i].length;
    }
    StringBlock* block = NewBlock(total);
    wchar_t* out = TextOf(block);
    for (int i = 0; i < count; i++) {
        if (parts[i].length > 0) {
            wmemcpy(out, parts[i].text, static_cast<size_t>(parts[i].length));
            out += parts[i].length;
        }
    }
    Take(block);
}

String IntToString(int64 value)
{
    wchar_t digits[24];
    int n = sizeof(digits) / sizeof(digits[0]);
    int pos = n;
    // Work on the magnitude as unsigned so INT64_MIN needs no special case.
    u64 magnitude = value < 0 ? 0 - static_cast<u64>(value) : static_cast<u64>(value);
    do {
        digits[--pos] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        digits[--pos] = L'-';
    return String(digits + pos, n - pos);
}
