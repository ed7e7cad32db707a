#pragma once

// Feeds a TextBuff from bytes already in memory, so a benchmark times the
// text model and not the disk.

#include "text/TextBuff.h"

#include <cstring>
#include <string>

class StringLoader : public TextBuff::Loader {
public:
    explicit StringLoader(const std::string& bytes) : bytes_(bytes) {}
    int64 Read(u8* buffer, int64 n) override
    {
        int64 left = static_cast<int64>(bytes_.size()) - at_;
        int64 take = n < left ? n : left;
        if (take > 0)
            std::memcpy(buffer, bytes_.data() + at_, static_cast<size_t>(take));
        at_ += take;
        return take;
    }

private:
    const std::string& bytes_;
    int64 at_ = 0;
};
