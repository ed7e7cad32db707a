#include "base/File.h"

#include "base/Error.h"

#include <cstring>
#include <new>

namespace {

const FileSystemCalls* g_calls = nullptr;

BOOL WriteBytes(HANDLE handle, const void* bytes, DWORD n, DWORD* written)
{
    if (g_calls && g_calls->writeFile)
        return g_calls->writeFile(handle, bytes, n, written);
    return WriteFile(handle, bytes, n, written, nullptr);
}

BOOL ReadBytes(HANDLE handle, void* bytes, DWORD n, DWORD* read)
{
    if (g_calls && g_calls->readFile)
        return g_calls->readFile(handle, bytes, n, read);
    return ReadFile(handle, bytes, n, read, nullptr);
}

BOOL SetTimes(HANDLE handle, const FILETIME* created, const FILETIME* accessed, const FILETIME* written)
{
    if (g_calls && g_calls->setFileTime)
        return g_calls->setFileTime(handle, created, accessed, written);
    return SetFileTime(handle, created, accessed, written);
}

struct OpenRule {
    DWORD access;
    DWORD share;
    DWORD disposition;
};

OpenRule RuleFor(int32 mode)
{
    switch (mode) {
    case kFileRead:
    case kFileReadQuiet:
        return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
    case kFileCreate:
        return {GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS};
    case kFileOpenAlways:
    case kFileAppend:
        return {GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS};
    default:
        return {0, 0, 0};
    }
}

}  // namespace

BOOL CopyWholeFile(const wchar_t* from, const wchar_t* to)
{
    if (g_calls && g_calls->copyFile)
        return g_calls->copyFile(from, to);
    return CopyFileW(from, to, FALSE);
}

void SetFileSystemCalls(const FileSystemCalls* calls)
{
    g_calls = calls;
}

File::File(const File& other) noexcept : s_(other.s_)
{
    if (s_)
        s_->refs++;
}

File& File::operator=(const File& other) noexcept
{
    if (s_ != other.s_) {
        Release();
        s_ = other.s_;
        if (s_)
            s_->refs++;
    }
    return *this;
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Release();
        s_ = other.s_;
        other.s_ = nullptr;
    }
    return *this;
}

void File::Fail(DWORD code) const
{
    s_->error = 1;
    ThrowWinError(code, s_->name.CStr());
}

void File::FailLast() const
{
    Fail(GetLastError());
}

bool File::IsUsable() const noexcept
{
    return s_ && s_->handle != INVALID_HANDLE_VALUE && !s_->error;
}

void File::CheckUsable() const
{
    if (!IsUsable())
        throw InternalError();
}

bool File::PendingWrite() const noexcept
{
    return s_->direction == kFileWriting && s_->cursor > 0;
}

bool File::ReadsThroughHandle() const noexcept
{
    return s_->buffer.Count() == 0 || s_->direction == kFileWriting;
}

void File::Open(const String& name, int32 mode, int32 bufferSize)
{
    if (s_) {
        // Whatever happens to the old file, it is let go before the new one opens.
        try {
            Close();
        } catch (...) {
            Release();
            throw;
        }
        Release();
    }

    OpenRule rule = RuleFor(mode);
    auto state = new (std::nothrow) FileState;
    if (!state)
        throw MemoryError();
    DWORD error = 0;
    try {
        state->name = name;
        state->direction = (mode == kFileCreate || mode == kFileOpenAlways || mode == kFileAppend) ? kFileWriting
                                                                                                   : kFileReading;
        if (bufferSize != 0)
            state->buffer.Resize(bufferSize > 0 ? int64(bufferSize) : -int64(bufferSize) * 1024);
        HANDLE h = CreateFileW(name.CStr(), rule.access, rule.share, nullptr, rule.disposition, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            error = GetLastError();
            // Another reader may hold the file open for deleting (an editor saving through a temporary).
            if ((error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) &&
                state->direction == kFileReading) {
                h = CreateFileW(name.CStr(), rule.access, rule.share | FILE_SHARE_DELETE, nullptr, rule.disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
                if (h == INVALID_HANDLE_VALUE)
                    error = GetLastError();
            }
        }
        state->handle = h;
    } catch (...) {
        FileState::Destroy(state);
        throw;
    }
    if (state->handle == INVALID_HANDLE_VALUE) {
        FileState::Destroy(state);
        ThrowWinError(error, name.CStr());
    }
    s_ = state;

    if (mode == kFileReadQuiet) {
        // All ones keep the last-access time as it is. A handle opened for
        // reading alone may not be allowed to set times; reading goes on anyway.
        FILETIME keep{0xFFFFFFFFu, 0xFFFFFFFFu};
        SetTimes(s_->handle, nullptr, &keep, nullptr);
    } else if (mode == kFileAppend) {
        Seek(Size());
    }
}

void File::Close()
{
    if (!s_)
        return;
    try {
        if (IsUsable() && PendingWrite())
            Flush();
    } catch (...) {
        CloseHandle(s_->handle);
        s_->handle = INVALID_HANDLE_VALUE;
        throw;
    }
    if (s_->handle != INVALID_HANDLE_VALUE) {
        CloseHandle(s_->handle);
        s_->handle = INVALID_HANDLE_VALUE;
    }
}

void File::Release() noexcept
{
    if (s_ && --s_->refs == 0) {
        if (s_->handle != INVALID_HANDLE_VALUE)
            CloseHandle(s_->handle);
        FileState::Destroy(s_);
    }
    s_ = nullptr;
}

int64 File::Size() const
{
    CheckUsable();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(s_->handle, &size))
        FailLast();
    return size.QuadPart;
}

FILETIME File::LastWriteTime() const
{
    CheckUsable();
    FILETIME written;
    if (!GetFileTime(s_->handle, nullptr, nullptr, &written))
        FailLast();
    return written;
}

void File::FillBuffer()
{
    CheckUsable();
    s_->bufferPos += s_->fill;
    s_->cursor = 0;
    s_->fill = 0;
    DWORD got = 0;
    if (!ReadBytes(s_->handle, s_->buffer.Data(), static_cast<DWORD>(AsInt(s_->buffer.Count())), &got))
        FailLast();
    s_->fill = got;
}

void File::Flush()
{
    if (!s_ || !PendingWrite())
        return;
    CheckUsable();
    DWORD pending = s_->cursor;
    DWORD written = 0;
    if (!WriteBytes(s_->handle, s_->buffer.Data(), pending, &written))
        FailLast();
    s_->bufferPos += written;
    if (written < pending)
        Fail(ERROR_DISK_FULL);
    s_->cursor = 0;
}

void File::Seek(int64 offset)
{
    CheckUsable();
    Flush();
    LARGE_INTEGER to;
    to.QuadPart = offset;
    if (!SetFilePointerEx(s_->handle, to, nullptr, FILE_BEGIN))
        FailLast();
    s_->pushbackCount = 0;
    s_->fill = 0;
    s_->cursor = 0;
    s_->bufferPos = static_cast<u64>(offset);
}

void File::Truncate()
{
    CheckUsable();
    Flush();
    if (!SetEndOfFile(s_->handle))
        FailLast();
}

DWORD File::ReadHandle(void* buffer, int64 n)
{
    DWORD got = 0;
    if (!ReadBytes(s_->handle, buffer, static_cast<DWORD>(AsInt(n)), &got))
        FailLast();
    return got;
}

int64 File::Read(void* buffer, int64 n)
{
    CheckUsable();
    if (n <= 0)
        return 0;
    auto out = static_cast<u8*>(buffer);
    int64 done = TakePushedBack(out, n);
    if (done == n)
        return n;
    if (ReadsThroughHandle()) {
        Flush();
        return done + ReadHandle(out + done, n - done);
    }
    while (done < n) {
        if (s_->cursor >= s_->fill) {
            FillBuffer();
            if (s_->cursor >= s_->fill)
                break;
        }
        int64 k = s_->fill - s_->cursor;
        if (k > n - done)
            k = n - done;
        memcpy(out + done, s_->buffer.Data() + s_->cursor, static_cast<size_t>(k));
        s_->cursor += static_cast<u32>(k);
        done += k;
    }
    return done;
}

void File::Write(const void* bytes, int64 n)
{
    CheckUsable();
    if (n <= 0)
        return;
    auto in = static_cast<const u8*>(bytes);
    int64 size = s_->buffer.Count();
    // A file opened for reading has no pending bytes; its handle refuses the write.
    if (size == 0 || s_->direction != kFileWriting) {
        DWORD want = static_cast<DWORD>(AsInt(n));
        DWORD written = 0;
        if (!WriteBytes(s_->handle, in, want, &written))
            FailLast();
        s_->bufferPos += written;
        // A volume that fills up reports success with a short count.
        if (written < want)
            Fail(ERROR_DISK_FULL);
        return;
    }
    while (n > 0) {
        int64 k = size - s_->cursor;
        if (k > n)
            k = n;
        memcpy(s_->buffer.Data() + s_->cursor, in, static_cast<size_t>(k));
        s_->cursor += static_cast<u32>(k);
        in += k;
        n -= k;
        if (s_->cursor >= size)
            Flush();
    }
}

void File::PushBack(const void* bytes, int64 n)
{
    CheckUsable();
    if (n <= 0)
        return;
    int64 count = s_->pushbackCount;
    if (count + n > s_->pushback.Count())
        s_->pushback.Resize(count + n);
    auto in = static_cast<const u8*>(bytes);
    u8* stack = s_->pushback.Data();
    // Pushed from the last to the first, so the first comes off the top first.
    for (int64 k = n - 1; k >= 0; k--)
        stack[count++] = in[k];
    s_->pushbackCount = static_cast<u32>(count);
}

int64 File::TakePushedBack(void* buffer, int64 n)
{
    if (!s_)
        return 0;
    auto out = static_cast<u8*>(buffer);
    int64 k = 0;
    while (k < n && s_->pushbackCount > 0)
        out[k++] = s_->pushback.Data()[--s_->pushbackCount];
    return k;
}

int32 File::PeekByte()
{
    CheckUsable();
    if (s_->pushbackCount > 0)
        return s_->pushback.Data()[s_->pushbackCount - 1];
    if (ReadsThroughHandle()) {
        u8 b;
        if (Read(&b, 1) != 1)
            return -1;
        PushBack(&b, 1);
        return b;
    }
    if (s_->cursor >= s_->fill) {
        FillBuffer();
        if (s_->cursor >= s_->fill)
            return -1;
    }
    return s_->buffer.Data()[s_->cursor];
}
