#include "helpviewer/Images.h"

#include "helpviewer/ImageDecode.h"

#include "base/Error.h"
#include "helpviewer/HelpDocument.h"

namespace {

// Decoded pixels go straight into a DIB section.
class DibPixels : public PixelSink {
public:
    u32* Allocate(int32 w, int32 h) override
    {
        void* bits = nullptr;
        dib = MakeDibSection32(w, h, &bits);
        width = w;
        height = h;
        return static_cast<u32*>(bits);
    }

    GdiObj dib;
    int32 width = 0;
    int32 height = 0;
};

} // namespace

void MakeImageBitmap(const u8* bytes, int64 length, const DeviceContext& dc, GdiObj& bitmap,
                     bool& hasAlpha)
{
    hasAlpha = false;
    bitmap.Clear();
    DibPixels pixels;
    bool alpha = DecodeImage(bytes, length, pixels);
    if (pixels.dib.IsEmpty())
        return;
    GdiObj result = MakeCompatibleBitmap(dc, pixels.width, pixels.height);
    DeviceContext to, from;
    to.Compatible(&dc);
    from.Compatible(&dc);
    to.SelectBitmap(result);
    from.SelectBitmap(pixels.dib);
    if (!BitBlt(to.Hdc(), 0, 0, pixels.width, pixels.height, from.Hdc(), 0, 0, SRCCOPY))
        ThrowLastError();
    to.RestoreBitmap();
    bitmap = result;
    hasAlpha = alpha;
}

void LoadHelpImage(const HelpDocument& document, const wchar_t* name, int64 nameLength, const DeviceContext& dc,
                   GdiObj& bitmap, bool& hasAlpha)
{
    hasAlpha = false;
    PodArray<u8> bytes = document.Container().Extract(name, nameLength);
    // The member comes with two terminating zeros that are not its own.
    MakeImageBitmap(bytes.Data(), bytes.Count() - 2, dc, bitmap, hasAlpha);
}
