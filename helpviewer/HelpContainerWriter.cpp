#include "helpviewer/HelpContainerWriter.h"

#include "base/Error.h"
#include "base/File.h"
#include "helpviewer/HelpContainer.h"

#include <cstring>
#include <cwchar>

using namespace help_format;

namespace {

constexpr int64 kMaxRun = 127;
constexpr int64 kMaxDistance = 65535;
constexpr int kHashBits = 15;

void Put(PodArray<u8>& out, const void* bytes, int64 n)
{
    if (n > 0)
        out.InsertCopies(out.Count(), static_cast<const u8*>(bytes), n);
}

void PutU32(PodArray<u8>& out, u32 v)
{
    u8 b[4] = {static_cast<u8>(v), static_cast<u8>(v >> 8), static_cast<u8>(v >> 16), static_cast<u8>(v >> 24)};
    Put(out, b, 4);
}

void PutName(PodArray<u8>& out, const wchar_t* name, int64 units)
{
    for (int64 i = 0; i < units; i++) {
        u8 b[2] = {static_cast<u8>(name[i]), static_cast<u8>(name[i] >> 8)};
        Put(out, b, 2);
    }
}

u32 Hash4(const u8* p)
{
    u32 v;
    memcpy(&v, p, 4);
    return (v * 2654435761u) >> (32 - kHashBits);
}

// Emits the pending literal bytes [from, to) in runs of at most 127.
void FlushLiterals(PodArray<u8>& out, const u8* bytes, int64 from, int64 to)
{
    while (from < to) {
        int64 n = to - from < kMaxRun ? to - from : kMaxRun;
        u8 control = static_cast<u8>(n);
        Put(out, &control, 1);
        Put(out, bytes + from, n);
        from += n;
    }
}

}  // namespace

PodArray<u8> PackLz(const u8* bytes, int64 count)
{
    PodArray<u8> out;
    out.Resize(0);
    PodArray<int64> head;
    head.Resize(int64(1) << kHashBits);
    for (int64 k = 0; k < head.Count(); k++)
        head.At(k) = -1;
    int64 literalStart = 0;
    int64 i = 0;
    while (i + 4 <= count) {
        u32 h = Hash4(bytes + i);
        int64 candidate = head.Data()[h];
        head.Data()[h] = i;
        int64 distance = i - candidate;
        if (candidate >= 0 && distance <= kMaxDistance) {
            // A copy may not reach into what it writes: length <= distance.
            int64 limit = count - i;
            if (limit > kMaxRun)
                limit = kMaxRun;
            if (limit > distance)
                limit = distance;
            int64 n = 0;
            while (n < limit && bytes[candidate + n] == bytes[i + n])
                n++;
            if (n >= 4) {
                FlushLiterals(out, bytes, literalStart, i);
                u8 item[3] = {static_cast<u8>(0x80 | n), static_cast<u8>(distance), static_cast<u8>(distance >> 8)};
                Put(out, item, 3);
                for (int64 k = 1; k < n && i + k + 4 <= count; k++)
                    head.Data()[Hash4(bytes + i + k)] = i + k;
                i += n;
                literalStart = i;
                continue;
            }
        }
        i++;
    }
    FlushLiterals(out, bytes, literalStart, count);
    return out;
}

void HelpContainerWriter::AddMember(const wchar_t* name, const u8* bytes, int64 count, bool pack)
{
    PodArray<u8> packed;
    const u8* data = bytes;
    int64 stored = count;
    if (pack && count > 0) {
        packed = PackLz(bytes, count);
        if (packed.Count() < count) {
            data = packed.Data();
            stored = packed.Count();
        }
    }
    EntryFields fields;
    fields.storedSize = AsInt(stored);
    fields.unpackedSize = AsInt(count);
    fields.checksum = Crc32(data, stored);
    int64 units = static_cast<int64>(wcslen(name));
    fields.nameLength = AsInt(units);
    AddRawEntry(fields, name, units, data, stored);
}

void HelpContainerWriter::AddRawEntry(const EntryFields& fields, const wchar_t* name, int64 nameUnits, const u8* data,
                                      int64 count)
{
    entryOffsets_.Insert(entryOffsets_.Count(), area_.Count());
    PutU32(area_, fields.tag);
    PutU32(area_, static_cast<u32>(fields.storedSize));
    PutU32(area_, static_cast<u32>(fields.unpackedSize));
    PutU32(area_, fields.checksum);
    PutU32(area_, 0);
    PutU32(area_, 0);
    PutU32(area_, static_cast<u32>(fields.nameLength));
    PutName(area_, name, nameUnits);
    Put(area_, data, count);
}

void HelpContainerWriter::AddEndTag()
{
    PutU32(area_, kEndTag);
}

void HelpContainerWriter::SetPrefix(const u8* bytes, int64 count)
{
    prefix_.Resize(0);
    Put(prefix_, bytes, count);
}

PodArray<u8> HelpContainerWriter::Build() const
{
    // The reader takes only files longer than their trailer: with no entry,
    // no end tag and no prefix there is nothing it would open.
    if (prefix_.Count() + area_.Count() == 0)
        throw InternalError();
    PodArray<u8> file;
    file.Resize(0);
    Put(file, prefix_.Data(), prefix_.Count());
    Put(file, area_.Data(), area_.Count());
    int64 length = file.Count() + kTrailerSize;
    PutU32(file, kTrailerMagic);
    PutU32(file, static_cast<u32>(AsInt(prefix_.Count())));
    PutU32(file, static_cast<u32>(AsInt(area_.Count())));
    PutU32(file, static_cast<u32>(AsInt(length - kTrailerSize)));
    return file;
}

void HelpContainerWriter::Save(const String& path) const
{
    PodArray<u8> bytes = Build();
    File file;
    file.Open(path, kFileCreate, 0);
    file.Write(bytes.Data(), bytes.Count());
    file.Close();
}
