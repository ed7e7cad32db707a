#pragma once

#include "base/Types.h"

class TextDocument;
class TextView;

// A change notice sent after an editor action; it lives on the sender's
// stack for one call and no receiver keeps it.
struct BroadcastRecord {
    int32 kind;
    TextDocument* document;
    TextView* view;  // the view concerned, or null
    int64 extra;
};

// Kinds the text views and the tab strip rely on.
enum BroadcastKind : int32 {
    BroadcastDocumentAdded = 0,
    BroadcastDocumentRemoved = 1,
    BroadcastCurrentChanged = 2,
    BroadcastReloaded = 3,
    BroadcastRepaint = 5,
    BroadcastTextChanged = 7,
    BroadcastCaretMoved = 8,
    BroadcastOverwriteToggled = 9,
    BroadcastTitleAndMenu = 10,
    BroadcastLineEndsChanged = 11,
    BroadcastDocumentMoved = 15,
};
