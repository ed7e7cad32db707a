#include "helpviewer/HelpContainer.h"

#include "base/AppContext.h"
#include "base/Error.h"
#include "base/File.h"
#include "helpviewer/HelpChars.h"

#include <cstring>
#include <cwchar>

using namespace help_format;

namespace {

u32 ReadU32(const u8* p)
{
    return static_cast<u32>(p[0]) | static_cast<u32>(p[1]) << 8 | static_cast<u32>(p[2]) << 16 |
           static_cast<u32>(p[3]) << 24;
}

int64 ReadI32(const u8* p)
{
    return static_cast<int32>(ReadU32(p));
}

struct CrcTable {
    u32 entries[256];
    CrcTable()
    {
        for (u32 n = 0; n < 256; n++) {
            u32 c = n;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
    }
};

const CrcTable g_crc;

// Largest output count bytes of LZ stream can produce: a copy gives at most
// 127 bytes for 3 stored ones, a literal never more than it takes.
int64 MaxUnpackedSize(int64 storedSize)
{
    return (storedSize + 2) / 3 * 127;
}

}  // namespace

u32 Crc32(const u8* bytes, int64 count)
{
    u32 c = 0xFFFFFFFFu;
    for (int64 i = 0; i < count; i++)
        c = g_crc.entries[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

namespace {

// Copies n (at most 127) bytes in 16-byte steps, writing up to 15 bytes past
// n: the caller has that room. A copy from less than 16 bytes back overlaps
// its own chunk, so each chunk is loaded whole before it is stored (one
// unaligned load and store, as a memcpy of 16 bytes compiles to). Source
// bytes past n may be ones this copy wrote, but they only land past n too.
inline void CopyChunks(u8* to, const u8* from, int64 n)
{
    for (int64 k = 0; k < n; k += 16) {
        u8 chunk[16];
        memcpy(chunk, from + k, 16);
        memcpy(to + k, chunk, 16);
    }
}

}  // namespace

int64 UnpackLz(const u8* input, int64 count, u8* output, int64 outputSize)
{
    int64 in = 0;
    int64 out = 0;
    // While both sides have room for a whole item and its chunk slack, items
    // are copied in chunks without further checks on the ends.
    constexpr int64 kSlack = 1 + 127 + 16;
    while (count - in >= kSlack && outputSize - out >= kSlack) {
        u8 control = input[in];
        int64 n = control & 0x7F;
        if (!(control & 0x80)) {
            CopyChunks(output + out, input + in + 1, n);
            in += 1 + n;
        } else {
            int64 distance = input[in + 1] | input[in + 2] << 8;
            if (distance == 0 || distance > out || distance < n)
                return out;
            CopyChunks(output + out, output + out - distance, n);
            in += 3;
        }
        out += n;
    }
    while (in < count && out < outputSize) {
        u8 control = input[in];
        int64 n = control & 0x7F;
        if (!(control & 0x80)) {
            if (n > count - in - 1 || n > outputSize - out)
                break;
            memcpy(output + out, input + in + 1, static_cast<size_t>(n));
            in += 1 + n;
        } else {
            if (count - in < 3)
                break;
            int64 distance = input[in + 1] | input[in + 2] << 8;
            // Source and destination never overlap, so one memcpy copies it.
            if (distance == 0 || distance > out || distance < n || n > outputSize - out)
                break;
            memcpy(output + out, output + out - distance, static_cast<size_t>(n));
            in += 3;
        }
        out += n;
    }
    return out;
}

String HelpContainer::DefaultPath()
{
    return GetProgramFilePath(L"help.ruvo");
}

void HelpContainer::Load(const String& path)
{
    File file;
    file.Open(path, kFileRead, 0);
    int64 size = file.Size();
    // Larger files cannot hold a valid trailer (its length field is 32 bits).
    if (size > kMaxBytes + kTrailerSize)
        throw InternalError();
    PodArray<u8> bytes;
    bytes.Resize(size);
    if (file.Read(bytes.Data(), size) < size)
        throw EofError(path.CStr());
    file.Release();
    LoadBytes(bytes.Data(), size);
}

void HelpContainer::LoadBytes(const u8* bytes, int64 count)
{
    if (count <= kTrailerSize)
        throw InternalError();
    const u8* trailer = bytes + count - kTrailerSize;
    if (ReadU32(trailer) != kTrailerMagic || ReadI32(trailer + 12) != count - kTrailerSize)
        throw InternalError();
    int64 areaOffset = ReadI32(trailer + 4);
    int64 areaSize = ReadI32(trailer + 8);
    if (areaOffset < 0 || areaSize < 0 || areaOffset + areaSize > count - kTrailerSize)
        throw InternalError();
    PodArray<u8> area;
    area.Resize(areaSize);
    if (areaSize > 0)
        memcpy(area.Data(), bytes + areaOffset, static_cast<size_t>(areaSize));
    area_ = static_cast<PodArray<u8>&&>(area);
}

bool HelpContainer::ReadEntry(int64 offset, HelpEntry& entry) const
{
    int64 size = area_.Count();
    const u8* p = area_.Data();
    if (offset < 0 || size - offset < 4 || ReadU32(p + offset) == kEndTag)
        return false;
    if (size - offset < kEntryHeaderSize)
        return false;
    const u8* h = p + offset;
    int64 stored = ReadI32(h + 4);
    int64 nameLength = ReadI32(h + 24);
    if (stored < 0 || nameLength < 0)
        return false;
    int64 dataOffset = offset + kEntryHeaderSize + 2 * nameLength;
    if (dataOffset > size || stored > size - dataOffset)
        return false;
    entry.offset = offset;
    entry.dataOffset = dataOffset;
    entry.storedSize = stored;
    entry.unpackedSize = ReadI32(h + 8);
    entry.checksum = ReadU32(h + 12);
    entry.nameOffset = offset + kEntryHeaderSize;
    entry.nameLength = static_cast<int32>(nameLength);
    return true;
}

String HelpContainer::EntryName(const HelpEntry& entry) const
{
    String name;
    wchar_t* text = name.Allocate(entry.nameLength);
    const u8* p = area_.Data() + entry.nameOffset;
    for (int32 i = 0; i < entry.nameLength; i++)
        text[i] = static_cast<wchar_t>(p[2 * i] | p[2 * i + 1] << 8);
    return name;
}

HelpEntry HelpContainer::Find(const wchar_t* name, int64 length) const
{
    if (length < 0)
        length = name ? static_cast<int64>(wcslen(name)) : 0;
    HelpEntry found;
    int64 offset = 0;
    HelpEntry entry;
    while (ReadEntry(offset, entry)) {
        if (entry.nameLength == length) {
            String entryName = EntryName(entry);
            if (HelpEqualsNoCase(entryName.Data(), length, name, length))
                return entry;
        }
        offset = entry.dataOffset + entry.storedSize;
    }
    return found;
}

PodArray<u8> HelpContainer::Extract(const wchar_t* name, int64 length) const
{
    HelpEntry entry = Find(name, length);
    if (entry.offset < 0) {
        if (length < 0)
            length = name ? static_cast<int64>(wcslen(name)) : 0;
        String text(name, length);
        throw Error(kMissingMemberCode, -1, text.CStr());
    }
    return Extract(entry);
}

PodArray<u8> HelpContainer::Extract(const HelpEntry& entry) const
{
    const u8* stored = area_.Data() + entry.dataOffset;
    if (Crc32(stored, entry.storedSize) != entry.checksum)
        throw InternalError();
    int64 unpacked = entry.unpackedSize;
    bool packed = unpacked != entry.storedSize;
    // Checked before allocating: a size the stream cannot fill is damage.
    if (unpacked < 0 || unpacked > kMaxBytes - 2 || (packed && unpacked > MaxUnpackedSize(entry.storedSize)))
        throw InternalError();
    PodArray<u8> output;
    output.Resize(unpacked + 2);
    u8* out = output.Data();
    int64 produced = 0;
    if (!packed && unpacked > 0) {
        memcpy(out, stored, static_cast<size_t>(unpacked));
        produced = unpacked;
    } else if (packed) {
        produced = UnpackLz(stored, entry.storedSize, out, unpacked);
    }
    // What a damaged stream left unwritten reads as zeros, and so does the terminator.
    memset(out + produced, 0, static_cast<size_t>(unpacked + 2 - produced));
    return output;
}
