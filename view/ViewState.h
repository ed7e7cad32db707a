#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"
#include "view/LongLineCache.h"

#include <memory>

class TextBuff;
class TextDocument;

// What one view keeps of one document: the caret, anchor and top live as
// markers in the document's text, so that edits made anywhere move them.
struct ViewState {
    TextDocument* document;
    bool wordWrap;
    int64 topMarker;  // staying marker at the first shown character
    int64 horzOffset;  // pixels scrolled to the right
    bool barsFollow;  // the next paint sets the scroll bars from what it drew
    int64 caretMarker;  // moving marker
    int32 affinityOverride;  // 0, or a forced caret affinity
    int32 caretAffinity;  // 1 end of the upper row at a soft wrap, 2 start of the lower, 0 unknown
    int64 desiredX;  // column kept by vertical moves; -1 when none
    int64 anchorMarker;  // moving marker
    bool overwrite;
    bool spellUnderline;
    int64 paintedFirst;
    int64 paintedLast;
    u32 caretFlagsSeen;
    int64 pendingIndentPos;  // -1 when none
    String pendingIndent;
    u32 dictPair;
    Array<int64> bracketHighlights;  // pairs of positions, shared with the editor
    // What layouts of this view know of its long lines; without it they
    // know nothing between operations.
    std::unique_ptr<LongLineCache> longLines;

    TextBuff& Text() const;
    int64 CaretPosition() const;
    int64 AnchorPosition() const;
    int64 TopPosition() const;
    // The override, else the caret affinity, else 2.
    int32 EffectiveAffinity() const;
    // Takes every setting of the other state; positions go into this
    // state's own markers, the indent text and bracket list are shared.
    void CopyFrom(const ViewState& other);
};
