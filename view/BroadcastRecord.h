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

// What changed; the sender fills document and view with the text and view
// concerned, and extra stays 0 unless the kind says otherwise.
enum BroadcastKind : int32 {
    BroadcastDocumentAdded = 0,
    BroadcastDocumentRemoved = 1,
    BroadcastCurrentChanged = 2,  // the current text of record.view
    BroadcastContentReplaced = 3,  // the whole content: a load, reload or recovery
    BroadcastSaved = 4,
    BroadcastRepaint = 5,  // state shown outside the text: modified flag, line ends
    BroadcastUnused = 6,  // never sent
    BroadcastTextChanged = 7,  // extra: the replace request, or 0
    BroadcastCaretMoved = 8,
    BroadcastOverwriteToggled = 9,
    BroadcastPathChanged = 10,
    BroadcastLineEndsChanged = 11,  // line ends or encoding
    BroadcastSyntaxChanged = 12,
    BroadcastSpellingChanged = 13,
    BroadcastBookmarksChanged = 14,
    BroadcastDocumentMoved = 15,  // another place in the tab order
};
