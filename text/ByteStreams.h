#pragma once

#include "base/File.h"
#include "base/Types.h"
#include "text/TextBuff.h"

class TextNotify;

// Feeds a TextBuff from a file, reporting the bytes read so far.
//
// The file is read ahead in pieces of kReadAhead bytes into one buffer that
// stays in the processor's cache, and each Read is copied from there: one
// system call per small piece cost more than the copy, and the system's
// read into fresh memory faults its pages in more slowly than a copy does.
// Every Read still gets n bytes unless the file ends.
class ByteLoader : public TextBuff::Loader {
public:
    static constexpr int64 kReadAhead = 0x40000;

    ByteLoader(File& file, TextNotify* notify) : file_(file), notify_(notify) {}
    ~ByteLoader();
    ByteLoader(const ByteLoader&) = delete;
    ByteLoader& operator=(const ByteLoader&) = delete;
    int64 Read(u8* buffer, int64 n) override;
    int64 Total() const { return total_; }

private:
    File& file_;
    int64 total_ = 0;
    TextNotify* notify_;
    // invariant: ahead_[aheadAt_, aheadFill_) are the file's next bytes.
    u8* ahead_ = nullptr;
    int64 aheadAt_ = 0;
    int64 aheadFill_ = 0;
};

// Writes what a TextBuff hands out into a file, reporting the bytes written.
class ByteSaver : public TextBuff::Saver {
public:
    ByteSaver(File& file, TextNotify* notify) : file_(file), notify_(notify) {}
    void Write(const u8* bytes, int64 n) override;
    int64 Total() const { return total_; }

private:
    File& file_;
    int64 total_ = 0;
    TextNotify* notify_;
};

// Total physical memory in bytes, found once and kept for the run.
int64 PhysicalMemorySize();
// Lets tests stand in a figure for the machine's memory (0 = the real one).
void OverridePhysicalMemorySize(int64 bytes);

// DeleteFileW; 0 when deleted or already absent (errors 2 and 3), else the error.
DWORD DeleteFileIfExists(const String& path);
