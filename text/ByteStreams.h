#pragma once

#include "base/File.h"
#include "base/Types.h"
#include "text/TextBuff.h"

class TextNotify;

// Feeds a TextBuff from a file, reporting the bytes read so far.
class ByteLoader : public TextBuff::Loader {
public:
    ByteLoader(File& file, TextNotify* notify) : file_(file), notify_(notify) {}
    int64 Read(u8* buffer, int64 n) override;
    int64 Total() const { return total_; }

private:
    File& file_;
    int64 total_ = 0;
    TextNotify* notify_;
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
