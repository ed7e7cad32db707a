#pragma once

#include "base/Types.h"
#include "text/Encoding.h"
#include "text/TextBuff.h"

class TextNotify;

// Feeds UTF-16 text, encoded into a text's encoding, to TextBuff::Load.
class TextEncoder : public TextBuff::Loader {
public:
    TextEncoder(const wchar_t* text, int64 length, EncodingId encoding, int32 lineEnd, TextNotify* notify = nullptr);

    int64 Read(u8* buffer, int64 n) override;
    int64 Position() const { return position_; }

private:
    const wchar_t* text_;
    int64 length_;
    int64 position_ = 0;
    EncodingId encoding_;
    int32 lineEnd_;
    TextNotify* notify_;
    u8 carry_[20] = {};
    int64 carryCount_ = 0;
};
