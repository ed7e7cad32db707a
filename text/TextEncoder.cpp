#include "text/TextEncoder.h"

#include "text/TextNotify.h"

#include <cstring>

TextEncoder::TextEncoder(const wchar_t* text, int64 length, EncodingId encoding, int32 lineEnd, TextNotify* notify)
    : text_(text), length_(length), encoding_(encoding), lineEnd_(lineEnd), notify_(notify)
{
}

int64 TextEncoder::Read(u8* buffer, int64 n)
{
    if (notify_)
        notify_->Progress(position_);
    int64 delivered = 0;
    if (carryCount_ > 0) {
        int64 take = carryCount_ < n ? carryCount_ : n;
        memcpy(buffer, carry_, static_cast<size_t>(take));
        memmove(carry_, carry_ + take, static_cast<size_t>(carryCount_ - take));
        carryCount_ -= take;
        delivered = take;
    }
    if (delivered < n)
        EncodeUtf16Text(buffer, delivered, n, text_, position_, length_, encoding_, lineEnd_, nullptr);
    if (delivered < n && position_ < length_) {
        // A character that does not fit whole goes through the carry area.
        int64 carried = 0;
        EncodeUtf16Text(carry_, carried, sizeof carry_, text_, position_, length_, encoding_, lineEnd_, nullptr);
        int64 take = carried < n - delivered ? carried : n - delivered;
        memcpy(buffer + delivered, carry_, static_cast<size_t>(take));
        memmove(carry_, carry_ + take, static_cast<size_t>(carried - take));
        carryCount_ = carried - take;
        delivered += take;
    }
    return delivered;
}
