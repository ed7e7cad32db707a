#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"

// LZ stream for bytes[0..count): literal runs and copies of up to 127 bytes
// from at most 65535 bytes back, never overlapping what they write.
PodArray<u8> PackLz(const u8* bytes, int64 count);

// Builds container files that HelpContainer reads: members in the order
// added, an end tag, then the trailer. Members are packed when that makes
// them smaller; a packed stream exactly as long as the bytes is stored as
// it is, since equal sizes mean "not packed".
class HelpContainerWriter {
public:
    // Raw header fields of one entry, for containers written field by field.
    struct EntryFields {
        u32 tag = 1;
        int32 storedSize = 0;
        int32 unpackedSize = 0;
        u32 checksum = 0;
        int32 nameLength = 0;  // units of name written, unless overridden
    };

    // Adds a member, packed when pack is set and packing gains.
    void AddMember(const wchar_t* name, const u8* bytes, int64 count, bool pack = true);
    // Adds an entry exactly as given: the header fields, the name's units and
    // the data bytes, whatever they claim.
    void AddRawEntry(const EntryFields& fields, const wchar_t* name, int64 nameUnits, const u8* data, int64 count);
    // Ends the entries with the end tag (the rest of that entry is not read).
    void AddEndTag();
    // Bytes placed before the entry area (the area offset moves by them).
    void SetPrefix(const u8* bytes, int64 count);

    // The whole file: prefix, entry area, trailer. InternalError when that
    // would be the trailer alone, which the reader refuses.
    PodArray<u8> Build() const;
    void Save(const String& path) const;

    // Offset of entry i's header within the built file.
    int64 EntryOffset(int64 i) const { return prefix_.Count() + entryOffsets_.At(i); }
    int64 EntryCount() const { return entryOffsets_.Count(); }

private:
    PodArray<u8> prefix_;
    PodArray<u8> area_;
    PodArray<int64> entryOffsets_;
};
