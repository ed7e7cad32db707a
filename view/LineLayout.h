#pragma once

#include "base/Array.h"
#include "base/Types.h"
#include "gui/Gdi.h"
#include "view/LongLineCache.h"
#include "view/syntax/SyntaxLexer.h"
#include "view/syntax/TokenText.h"

#include <windows.h>

class CharWidths;
class DictRegistry;
class TextBuff;
class TextDocument;
struct ViewState;
struct ViewStyle;

enum LayoutRunKind : int32 {
    RunBlank = 0,
    RunTab = 1,
    RunText = 2,
    RunControl = 3,  // control character or undecodable unit, drawn as a named box
    RunLineStart = 4,
    RunLineEnd = 5,
    RunContinuation = 6,  // start of a wrapped continuation row
    RunWrap = 7,  // ends a visual row inside a logical line
    RunEndOfText = 8,
    RunIndent = 9,  // one character of the pending auto-indent (not in the text)
    RunNone = 10,
};

// One drawable piece of a visual row.
struct LayoutRun {
    int32 kind;
    int64 pos;
    int32 length;  // bytes in the text
    int32 textStart;  // units in the token text
    int32 textCount;
    int32 width;
    int64 x;  // from the row's text origin
    int64 y;  // from the first laid-out row
    u32 state;  // lexer state: class in the low byte, region in the next
    u8 lettersOnly;
    int32 iterState;  // iterator state in which the run was made

    int64 End() const { return pos + length; }
    int32 Class() const { return static_cast<int32>(state & 0xFF); }
    int32 Region() const { return static_cast<int32>((state >> 8) & 0xFF); }
};

struct LayoutPoint {
    int64 x;
    int64 y;
};

// A position with the affinity that says on which side of a soft wrap it
// shows: 1 at the end of the upper row, 2 at the start of the lower one.
struct PositionAffinity {
    int64 pos;
    int32 affinity;
};

// What a paint reports back to the view.
struct PaintResult {
    u8 valid;
    int64 firstPainted;
    int64 lastFullyVisible;  // end of the last fully visible row
    int64 firstPainted2;
    int64 lastStarted;  // end of the last row that starts inside the area (of its shown part)
    int64 caretX;  // layout coordinates; -1 when the caret was not met
    int64 caretY;
    int32 caretHeight;
    int32 visibleRows;
    int32 pageWidth;  // the wrap width
    int32 textAreaHeight;
    int64 widest;
};

// Lays the text of one view out into visual rows of runs, for one
// operation: painting, hit testing, caret placement or moving by rows.
// Built on the caller's stack and dropped afterwards; nothing is cached.
class LineLayout {
public:
    LineLayout(ViewState& state, const ViewStyle& style, SyntaxLexer* lexer, const DeviceContext& dc,
               const RECT& rect);
    ~LineLayout();
    LineLayout(const LineLayout&) = delete;
    LineLayout& operator=(const LineLayout&) = delete;

    // The painting layout: it also takes the y offset below the text area
    // down to which rows are painted, the spelling registry (may be null) and
    // the two highlight lists, which it shares until released.
    static LineLayout ForPaint(ViewState& state, const ViewStyle& style, SyntaxLexer* lexer,
                               const DeviceContext& dc, const RECT& rect, int32 yOffset,
                               const DictRegistry* registry, const Array<int64>& underlines,
                               const Array<int64>& backgrounds);

    void Init();
    // Prepares the runs of the visual row that holds position; the current
    // run becomes that row's start run (kind 4 or 6).
    void SeekTo(int64 position, int32 affinity);
    void NextRun();
    void MeasureRun();
    // Places the current run at x; false when it does not fit (wrapping on,
    // not forced).
    bool PlaceRun(bool force);

    int64 RunPositionToX(const LayoutRun& run, int64 position);
    int64 RunXToPosition(const LayoutRun& run, int64 x);
    LayoutPoint PositionToPoint(int64 position, int32 affinity);
    PositionAffinity PointToPosition(int64 x, int64 y);
    PositionAffinity MoveUpLines(int64 position, int64 n, int64 x, int32 affinity);
    PositionAffinity MoveDownLines(int64 position, int64 n, int64 x, int32 affinity);
    Array<int64> LineStarts(int64 from, int64 to, int32 affinity);
    // The character boundary a layout walks back to at most from position.
    int64 WalkFloor(int64 position);

    // ---- painting ----
    void PaintLines(PaintResult& result);
    void DrawLine();
    COLORREF TokenColor(int32 cls) const;
    void SelectTokenFont(int32 cls);
    void DrawRunText(int64 x, int64 y, const wchar_t* units, int32 count, int32 cls);
    void ReleasePaintLists();

    const LayoutRun& Current() const { return run_; }
    int32 ResultAffinity() const { return resultAffinity_; }
    int32 LineHeight() const { return lineHeight_; }
    int32 WrapWidth() const { return wrapWidth_; }
    int32 TextAreaHeight() const { return textAreaHeight_; }
    int32 TextLeft() const { return textLeft_; }
    int32 TabWidth() const { return tabWidth_; }
    int32 BlankWidth() const { return blankWidth_; }
    // A class that replaces the class of every word run (colour previews).
    void SetForcedClass(int32 cls)
    {
        forcedClass_ = cls;
        pointsOn_ = false;  // its runs are not the view's
    }

private:
    LineLayout(ViewState& state, const ViewStyle& style, SyntaxLexer* lexer, const DeviceContext& dc,
               const RECT& rect, int32 yOffset, const DictRegistry* registry, const Array<int64>& underlines,
               const Array<int64>& backgrounds);

    struct LineStartRecord {
        int64 pos;
        int32 iterState;
        u32 lexerState;
        int32 indentIndex;
    };

    TextBuff& Text() const;
    void FetchToken();
    void ConsumeToken();
    bool IndentPending() const;
    void MakeRun(int32 kind, int64 pos, int32 length, int32 textStart, int32 textCount, u32 state);
    void Wrap();
    int32 TextWidth(const wchar_t* units, int32 count, int32 cls);
    int32 TabAdvance(int64 x) const;
    bool HoldsPosition(const LayoutRun& run, int64 position, int32 affinity) const;
    int64 PositionToXIn(const LayoutRun& run, int64 position, const wchar_t* units, const u8* lengths);
    int64 XToPositionIn(const LayoutRun& run, int64 x, const wchar_t* units, const u8* lengths);
    PositionAffinity CandidateAt(const LayoutRun& run, int64 x, PositionAffinity current);
    // The point of position when the current run gives it.
    bool PointInRun(int64 position, int32 affinity, LayoutPoint& point);
    LayoutPoint FarPoint(int64 position, int32 affinity, int64 rowY, int64 rowPos);
    bool SkipRestOfLine(int64 before);
    // The line break that ends the current row's line (or the text's end).
    int64 RowLineEnd();
    void SelectFontIndex(int32 index);
    bool BoldClass(int32 cls) const;
    // The view's cache of long lines, checked against what these runs
    // depend on; points along rows only without wrapping, previews or a
    // pending indent, which the points do not know.
    void AttachCache();
    // A lexer seek without a saved state, through the cache.
    void SeekLexer(int64 position);
    // From the start run of an unwrapped row, goes on at the row's last
    // remembered point before position whose x is at most maxX, then over
    // the tokens after it that end before position with x at most maxX:
    // the runs of all of them are never made. The point, or null when there
    // was none; passed (when given) receives where the runs passed over
    // end, -1 when none were.
    const LongLineCache::Point* JumpAlongRow(int64 position, int64 maxX, int64* passed = nullptr);
    // The tokens part of that: where the last one passed over ends, or -1.
    int64 SkimRow(int64 position, int64 maxX);
    // From a token start, passes the tokens of bytes the lexer calls quiet
    // up to the last blank among them after which no point is due and
    // position and maxX are not reached, adding their widths from the
    // characters; where they end, or -1 when none were passed.
    int64 PassQuietTokens(int64 position, int64 maxX);
    // Remembers where a run just placed ends, when a point is due, and
    // confirms the waiting points a walk meets; true when some were.
    bool NotePoint(int64 end);
    int32 ControlWidth(int64 pos);

    // painting helpers
    void FindCaret(const LayoutRun& run);
    void StoreRun(const LayoutRun& run);
    int64 ScreenX(const LayoutRun& run) const;
    int64 LineX(int64 position);
    void Fill(int64 left, int64 top, int64 right, int64 bottom, COLORREF colour);
    void DrawControlFrame(const LayoutRun& run, int64 x, int64 y);
    void DrawMisspelling(int64 x, int32 width, int64 bottom);
    void DrawWrapBars(int64 x, int64 y, int32 direction);
    void DrawOverflow(int64 left, int64 y, int32 direction);
    void DrawGutter(int64 y, bool firstLine, bool endOfText, int64 first, int64 last);

    ViewState& state_;
    TextDocument* document_;
    const ViewStyle& style_;
    SyntaxLexer* lexer_;
    DeviceContext dc_;
    int32 font_;  // 0 normal, 1 bold, 2 small, -1 none selected yet
    TokenText tokenText_;
    bool advanced_;
    RECT rect_;
    bool wrap_;
    int32 textAreaHeight_;
    int32 wrapWidth_;
    int32 textLeft_;
    int32 iterState_;
    int64 lineStartX_;
    int64 x_;
    int64 y_;
    int32 lineHeight_;
    int32 normalAscent_;
    int32 smallAscent_;
    TokenRecord pending_;
    u32 pendingStartState_;  // lexer state at the pending token's start
    int64 nextLineStart_;
    int32 blankWidth_;
    int32 tabWidth_;
    LayoutRun run_;
    int32 indentIndex_;
    int64 caretPos_;
    int32 resultAffinity_;
    int32 forcedClass_;
    int64 rowLineEnd_;  // line break that ends the current row's line; -1 until asked
    int64 rowShownEnd_ = -1;  // where the shown runs of a row end when the rest was skipped; -1 when none
    CharWidths* widths_;  // the style's advances; null to measure by GDI alone
    LongLineCache* cache_;  // null without a view state to keep it
    bool pointsOn_;
    int64 rowStart_;  // the current row's start run: position and lexer state
    u32 rowState_;
    int64 cacheLine_;  // the cache's line of that start run; -1 none yet
    int64 lastPoint_;  // where the row's last point lies (or its start)
    int64 waitingPos_ = INT64_MAX;  // the row's first waiting point; INT64_MAX when none
    bool tabSincePoint_ = false;  // a tab may have been passed since the last point

    // painting
    int32 yOffset_;
    const DictRegistry* registry_;
    bool spellUnderline_;
    Array<int64> underlines_;
    Array<int64> backgrounds_;
    PodArray<LayoutRun> lineRuns_;
    PodArray<wchar_t> lineUnits_;
    PodArray<u8> lineLengths_;
    int32 caretAffinity_;
    int64 selStart_;
    int64 selEnd_;
    int32 gutterWidth_;
    bool firstLineDrawn_;
    PaintResult result_;
};

// The name shown in the box of a control character or undecodable unit.
// The hexadecimal names share one buffer, valid until the next call.
const wchar_t* ControlCharName(int64 displayCode, int32& length);
