#pragma once

// Pictures of the help pages as bitmaps compatible with the view's device
// context.

#include "base/Types.h"
#include "gui/Gdi.h"

class HelpDocument;

// Decodes a PNG (by its signature) or a GIF. The bitmap stays empty for a GIF
// without any image; hasAlpha tells that the pixels carry premultiplied
// alpha. Damaged data is InternalError.
void MakeImageBitmap(const u8* bytes, int64 length, const DeviceContext& dc, GdiObj& bitmap,
                     bool& hasAlpha);

// The picture in the help member of that name (a range of the markup text):
// -357 when the member is missing, InternalError when it is damaged.
void LoadHelpImage(const HelpDocument& document, const wchar_t* name, int64 nameLength, const DeviceContext& dc,
                   GdiObj& bitmap, bool& hasAlpha);
