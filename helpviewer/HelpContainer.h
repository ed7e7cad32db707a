#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"

// The help container "help.ruvo": an entry area of named members followed by
// a 16-byte trailer. Every size read from the file is taken as a 64-bit value
// and checked against the 32-bit limits of the viewer, so the same checks hold
// in both builds.
//
// Layout of an entry: tag, stored size, unpacked size, CRC-32 of the stored
// bytes, two reserved words, name length in UTF-16 units, the name, the data.
namespace help_format {
constexpr u32 kTrailerMagic = 0x5C9F3A6Eu;
constexpr u32 kEndTag = 0xE1D2C3B4u;
constexpr int64 kTrailerSize = 16;
constexpr int64 kEntryHeaderSize = 28;
// Member code of a missing or damaged member (message = its name).
constexpr int32 kMissingMemberCode = -357;
// The largest array the 32-bit viewer can ask for.
constexpr int64 kMaxBytes = 0x7FFFFFFF;
}  // namespace help_format

// CRC-32 as in zlib and ZIP (reflected 0xEDB88320, start all ones, complemented).
u32 Crc32(const u8* bytes, int64 count);

// Restores an LZ stream of count bytes into output (room for outputSize
// bytes); returns the bytes produced. Decoding stops without error at an item
// that would read past the input, write past outputSize or copy from outside
// what was produced (distance 0, past the start, or shorter than its length).
int64 UnpackLz(const u8* input, int64 count, u8* output, int64 outputSize);

// Where one member lies inside the entry area.
struct HelpEntry {
    int64 offset = -1;        // entry start in the area; -1 = not found
    int64 dataOffset = 0;
    int64 storedSize = 0;
    int64 unpackedSize = 0;
    u32 checksum = 0;
    int64 nameOffset = 0;     // UTF-16LE, not aligned: copy before reading
    int32 nameLength = 0;
};

class HelpContainer {
public:
    // "help.ruvo" in the folder of the running program file.
    static String DefaultPath();

    // Reads the file whole and keeps its entry area.
    void Load(const String& path);
    // The same for the bytes of a whole container file.
    void LoadBytes(const u8* bytes, int64 count);

    // The first member whose name equals name ignoring case; a negative
    // length means a NUL-terminated name. Entry with offset -1 when none.
    HelpEntry Find(const wchar_t* name, int64 length) const;
    // The member's bytes in an array of unpacked size + 2, NUL at unpacked size.
    PodArray<u8> Extract(const wchar_t* name, int64 length) const;
    PodArray<u8> Extract(const HelpEntry& entry) const;

    // Walks the entries in order: calls visit(entry) for each until the end
    // tag, the end of the area or a damaged entry.
    template <class F>
    void ForEach(F visit) const
    {
        int64 offset = 0;
        HelpEntry entry;
        while (ReadEntry(offset, entry)) {
            visit(static_cast<const HelpEntry&>(entry));
            offset = entry.dataOffset + entry.storedSize;
        }
    }

    // The entry's name as a String.
    String EntryName(const HelpEntry& entry) const;
    const PodArray<u8>& Area() const { return area_; }

private:
    // False at the end tag, at the end of the area or at an entry whose
    // header, name or data do not lie within the area.
    bool ReadEntry(int64 offset, HelpEntry& entry) const;

    // invariant: holds exactly the trailer's area-size bytes
    PodArray<u8> area_;
};
