#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"

#include <windows.h>

// Modes of File::Open. Any other value opens with no access, so the system
// call fails and reports its own error.
enum FileMode : int32 {
    kFileRead = 0,          // shared reading
    kFileReadQuiet = 1,     // reading that leaves the last-access time alone
    kFileCreate = 2,        // create or truncate, read and write
    kFileOpenAlways = 3,    // open or create, keep the contents
    kFileAppend = 4,        // open or create, positioned at the end
};

// Direction of an open file.
constexpr u32 kFileReading = 0;
constexpr u32 kFileWriting = 2;

// The shared state behind every copy of a File.
struct FileState {
    u32 refs = 1;
    u8 error = 0;                   // set by any failed system call; the file then refuses work
    String name;                    // the name as opened; the message of every WinError
    HANDLE handle = INVALID_HANDLE_VALUE;
    u32 direction = kFileReading;
    u64 bufferPos = 0;              // file offset of the buffer's first byte
    PodArray<u8> buffer;            // count = buffer size; empty = unbuffered
    u32 fill = 0;                   // bytes read into the buffer
    u32 cursor = 0;                 // reading: next byte to hand out; writing: bytes waiting
    u32 pushbackCount = 0;
    PodArray<u8> pushback;          // top of the stack at the highest index

    // Frees a state whose last holder let go: pushback, buffer and name are
    // released with it. The handle is the caller's to close first.
    static void Destroy(FileState* state) noexcept { delete state; }
};

// A FILETIME as one 64-bit value, so that times compare with < and ==.
inline u64 FileTimeValue(const FILETIME& time)
{
    return (static_cast<u64>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Lets tests stand in for system calls of File, to produce failures that the
// test machine cannot give (a full disk, a system that refuses to set times on
// a read handle, a file cut short while it is read). A null member, or a null
// table, means the system's own call.
struct FileSystemCalls {
    BOOL (*writeFile)(HANDLE handle, const void* bytes, DWORD n, DWORD* written);
    BOOL (*setFileTime)(HANDLE handle, const FILETIME* created, const FILETIME* accessed, const FILETIME* written);
    BOOL (*copyFile)(const wchar_t* from, const wchar_t* to);
    BOOL (*readFile)(HANDLE handle, void* bytes, DWORD n, DWORD* read);
};
void SetFileSystemCalls(const FileSystemCalls* calls);

// CopyFileW over an existing target, through the calls above.
BOOL CopyWholeFile(const wchar_t* from, const wchar_t* to);

// A byte file shared by reference count, with an optional buffer and a small
// pushback stack. Every failed system call sets the state's error flag and
// throws WinError with the file's name (MemoryError for 8 and 14).
//
// A file opened for writing reads straight through its handle after writing
// out what is pending, so its buffer only ever holds bytes to be written.
class File {
public:
    File() noexcept : s_(nullptr) {}
    File(const File& other) noexcept;
    File(File&& other) noexcept : s_(other.s_) { other.s_ = nullptr; }
    File& operator=(const File& other) noexcept;
    File& operator=(File&& other) noexcept;
    // Drops this handle's reference without flushing: writers close explicitly.
    ~File() { Release(); }

    // bufferSize: n > 0 bytes, n < 0 means -n KiB, 0 unbuffered.
    void Open(const String& name, int32 mode, int32 bufferSize);
    // Writes out pending bytes when healthy, then closes the handle; the state stays.
    void Close();
    // Drops one reference; the last one closes the handle (no flush).
    void Release() noexcept;

    int64 Size() const;
    FILETIME LastWriteTime() const;
    void FillBuffer();
    void Flush();
    void Seek(int64 offset);
    // Cuts the file at the handle's position.
    void Truncate();
    // Fewer than n bytes only at the end of the file.
    int64 Read(void* buffer, int64 n);
    void Write(const void* bytes, int64 n);
    // The next reads return these n bytes first, in their order.
    void PushBack(const void* bytes, int64 n);
    int64 TakePushedBack(void* buffer, int64 n);
    // The next byte (0 to 255) without consuming it, or -1 at the end.
    int32 PeekByte();

    // A state with an open handle and a clear error flag.
    bool IsUsable() const noexcept;
    // InternalError unless IsUsable.
    void CheckUsable() const;
    FileState* State() const noexcept { return s_; }

private:
    [[noreturn]] void Fail(DWORD code) const;
    [[noreturn]] void FailLast() const;
    bool PendingWrite() const noexcept;
    bool ReadsThroughHandle() const noexcept;
    DWORD ReadHandle(void* buffer, int64 n);

    FileState* s_;
};
