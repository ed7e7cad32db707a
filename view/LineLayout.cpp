#include "view/LineLayout.h"

#include "base/ByteScan.h"
#include "base/Error.h"
#include "text/CharClass.h"
#include "text/SyntaxId.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"
#include "view/CharWidths.h"
#include "view/ViewState.h"
#include "view/ViewStyle.h"

#include <cstdint>
#include <cwchar>

namespace {

constexpr u16 kNoToken = 11;
// How far back from a target a layout starts at most, and the granule that
// start is rounded down to.
constexpr int64 kLayoutWindow = 32768;
constexpr int64 kLayoutGranule = 0x4000;

const wchar_t* const kControlNames[32] = {
    L"NUL", L"SOH", L"STX", L"ETX", L"EOT", L"ENQ", L"ACK", L"BEL", L"BS",  L"HT",  L"LF",
    L"VT",  L"FF",  L"CR",  L"SO",  L"SI",  L"DLE", L"DC1", L"DC2", L"DC3", L"DC4", L"NAK",
    L"SYN", L"ETB", L"CAN", L"EM",  L"SUB", L"ESC", L"FS",  L"GS",  L"RS",  L"US",
};

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

int64 Max(int64 a, int64 b) { return a > b ? a : b; }

}  // namespace

const wchar_t* ControlCharName(int64 displayCode, int32& length)
{
    if (displayCode >= 0 && displayCode < 32) {
        const wchar_t* name = kControlNames[displayCode];
        length = static_cast<int32>(std::wcslen(name));
        return name;
    }
    static wchar_t buffer[24];
    swprintf(buffer, 24, displayCode < 0 ? L"-%02llx" : L"%02llx",
             static_cast<unsigned long long>(displayCode < 0 ? -displayCode : displayCode));
    length = AsInt(static_cast<long long>(std::wcslen(buffer)));
    return buffer;
}

LineLayout::LineLayout(ViewState& state, const ViewStyle& style, SyntaxLexer* lexer, const DeviceContext& dc,
                       const RECT& rect)
    : state_(state),
      document_(state.document),
      style_(style),
      lexer_(lexer),
      dc_(dc),
      font_(-1),
      advanced_(style.fontAdvanced),
      rect_(rect),
      wrap_(state.wordWrap),
      textAreaHeight_(1),
      wrapWidth_(1),
      textLeft_(0),
      iterState_(0),
      lineStartX_(0),
      x_(0),
      y_(0),
      lineHeight_(1),
      normalAscent_(0),
      smallAscent_(0),
      pending_(),
      pendingStartState_(kInitialLexerState),
      nextLineStart_(0),
      blankWidth_(1),
      tabWidth_(1),
      run_(),
      indentIndex_(0),
      caretPos_(0),
      resultAffinity_(2),
      forcedClass_(0),
      rowLineEnd_(-1),
      widths_(nullptr),
      cache_(nullptr),
      pointsOn_(false),
      rowStart_(-1),
      rowState_(0),
      cacheLine_(-1),
      lastPoint_(0),
      yOffset_(0),
      registry_(nullptr),
      spellUnderline_(false),
      caretAffinity_(2),
      selStart_(0),
      selEnd_(0),
      gutterWidth_(0),
      firstLineDrawn_(false),
      result_()
{
    if (rect_.right < rect_.left + 1)
        rect_.right = rect_.left + 1;
    if (rect_.bottom < rect_.top + 1)
        rect_.bottom = rect_.top + 1;
    pending_.kind = kNoToken;
    run_.kind = RunNone;
    CharWidths* widths = style.charWidths.get();
    if (widths && widths->For(advanced_, static_cast<HFONT>(style.normalFont.Handle()),
                              static_cast<HFONT>(style.boldFont.Handle())))
        widths_ = widths;
    Init();
    AttachCache();
}

void LineLayout::AttachCache()
{
    cache_ = state_.longLines.get();
    pointsOn_ = false;
    if (!cache_)
        return;
    LongLineCache::Key key{};
    key.text = &Text();
    key.syntax = document_->syntax;
    key.conversion = Text().LineEndConversion();
    key.fonts[0] = static_cast<HFONT>(style_.normalFont.Handle());
    key.fonts[1] = static_cast<HFONT>(style_.boldFont.Handle());
    key.fonts[2] = static_cast<HFONT>(style_.smallFont.Handle());
    key.blankWidth = blankWidth_;
    key.tabWidth = tabWidth_;
    key.lineHeight = lineHeight_;
    for (int32 cls = 0; cls < 32; cls++)
        if (BoldClass(cls))
            key.boldClasses |= 1u << cls;
    key.advanced = advanced_;
    // Only the page lexers look ahead without bound (for the end tag of a
    // script or style element); after an edit they keep nothing.
    bool bounded = document_->syntax != kSyntaxHtml && document_->syntax != kSyntaxPhp;
    cache_->Validate(key, Text(), bounded);
    pointsOn_ = !wrap_ && forcedClass_ == 0 && !(style_.autoIndent && state_.pendingIndentPos >= 0);
}

void LineLayout::SeekLexer(int64 position)
{
    u32 state;
    if (cache_ && cache_->FindSeek(position, state)) {
        // The same state, cursor and token text as the relexing seek gives.
        lexer_->Seek(position, position, &state, &tokenText_);
        return;
    }
    lexer_->Seek(position, 0, nullptr, &tokenText_);
    if (cache_)
        cache_->AddSeek(position, lexer_->State());
}

const LongLineCache::Point* LineLayout::JumpAlongRow(int64 position, int64 maxX, int64* passed)
{
    if (passed)
        *passed = -1;
    if (!pointsOn_ || run_.kind != RunLineStart || pending_.kind != kNoToken)
        return nullptr;
    const LongLineCache::Point* point = cacheLine_ >= 0 ? cache_->PointBefore(cacheLine_, position, maxX) : nullptr;
    if (point) {
        u32 state = point->state;
        lexer_->Seek(point->pos, point->pos, &state, &tokenText_);
        x_ = point->x;
        tabSincePoint_ = false;
        iterState_ = 3;
        indentIndex_ = 0;
        if (passed)
            *passed = point->pos;
    }
    int64 skimmed = SkimRow(position, maxX);
    if (passed && skimmed >= 0)
        *passed = skimmed;
    return point;
}

int64 LineLayout::SkimRow(int64 position, int64 maxX)
{
    // The runs these tokens would make are each placed at the x reached so
    // far (nothing wraps) and none ends at or after position or right of
    // maxX: only x, the iterator state and the points change as they would.
    // Without a bound on x a row that ends before position is better left
    // to SkipRestOfLine.
    int64 end = -1;
    if (maxX == INT64_MAX && RowLineEnd() < position)
        return end;
    for (;;) {
        if (pending_.kind == kNoToken) {
            int64 passed = PassQuietTokens(position, maxX);
            if (passed >= 0)
                end = passed;
            FetchToken();
        }
        u32 cls = TokenClassOf(pending_.state);
        if (cls == kClassLineEnd || cls == kClassEndOfText || pending_.end >= position)
            break;
        int32 width;
        switch (pending_.kind & 0xFF) {
        case RunBlank:
            width = blankWidth_;
            break;
        case RunTab:
            width = TabAdvance(x_);
            tabSincePoint_ = true;
            break;
        case RunControl:
            width = ControlWidth(pending_.start);
            break;
        default:
            width = TextWidth(tokenText_.Units() + pending_.textStart, pending_.textEnd - pending_.textStart,
                              static_cast<int32>(cls));
            break;
        }
        if (x_ + width > maxX)
            break;
        x_ += width;
        end = pending_.end;
        ConsumeToken();
        iterState_ = 3;
        if (NotePoint(end)) {
            // Points after an edit were confirmed: go on at the last one
            // short of position and maxX, as a jump from the start would.
            const LongLineCache::Point* point = cache_->PointBefore(cacheLine_, position, maxX);
            if (point && point->pos > end) {
                u32 state = point->state;
                lexer_->Seek(point->pos, point->pos, &state, &tokenText_);
                x_ = point->x;
                tabSincePoint_ = false;
                end = point->pos;
            }
        }
    }
    return end;
}

int64 LineLayout::PassQuietTokens(int64 position, int64 maxX)
{
    if (!widths_)
        return -1;
    int64 from = lexer_->Position();
    // Token ends short of position and of the next point's place.
    int64 limit = position - 1 < lastPoint_ + LongLineCache::kPointStep - 1 ? position - 1
                                                                            : lastPoint_ + LongLineCache::kPointStep - 1;
    // A waiting point is met token by token.
    if (waitingPos_ - 1 < limit)
        limit = waitingPos_ - 1;
    if (limit <= from)
        return -1;
    SyntaxLexer::QuietRun quiet = lexer_->Quiet(limit);
    // Where every token has the state's class its font is known; elsewhere
    // a character counts only when both fonts advance it alike.
    const int32* normal = widths_->PageAdvances(0, 0);
    const int32* bold = widths_->PageAdvances(1, 0);
    const int32* advances = nullptr;
    if (quiet.stateClass)
        advances = BoldClass(static_cast<int32>(TokenClassOf(lexer_->State()))) ? bold : normal;
    else if (normal && bold)
        advances = normal;
    if (quiet.count == 0 || !advances)
        return -1;
    // A blank is a token, so a token ends before and after each; the
    // others are runs of characters each added up from its advance. Where
    // every character advances as far as a blank, x is a count of them.
    const u8* bytes = quiet.bytes;
    int64 x = x_, passed = 0, passedX = x_;
    int32 uniform = widths_->UniformAscii(advances == bold ? 1 : 0);
    bool counted = uniform == blankWidth_ && (quiet.stateClass || uniform == widths_->UniformAscii(1));
    if (counted) {
        int64 room = maxX >= x_ ? (maxX - x_) / blankWidth_ : 0;
        const u8* blank = FindByteBackward(bytes, ' ', static_cast<size_t>(room < quiet.count ? room : quiet.count));
        passed = blank ? blank - bytes + 1 : 0;
        passedX = x_ + passed * blankWidth_;
    }
    for (int64 i = 0; !counted && i < quiet.count && x <= maxX; i++) {
        u32 b = bytes[i];
        if (b == ' ') {
            x += blankWidth_;
            if (x <= maxX) {
                passed = i + 1;
                passedX = x;
            }
        } else if (advances[b] >= 0 && (quiet.stateClass || advances[b] == bold[b])) {
            x += advances[b];
        } else {
            break;
        }
    }
    if (passed == 0)
        return -1;
    lexer_->PassQuiet(from + passed);
    x_ = passedX;
    ConsumeToken();
    iterState_ = 3;
    return from + passed;
}

bool LineLayout::NotePoint(int64 end)
{
    if (!pointsOn_)
        return false;
    if (end >= waitingPos_ && cacheLine_ >= 0) {
        bool confirmed = cache_->Reach(cacheLine_, LongLineCache::Point{end, x_, lexer_->State(), tabSincePoint_});
        waitingPos_ = cache_->WaitingPos(cacheLine_);
        if (confirmed) {
            tabSincePoint_ = false;
            lastPoint_ = cache_->LastPointPos(cacheLine_);
            return true;
        }
    }
    if (end < lastPoint_ + LongLineCache::kPointStep)
        return false;
    if (cacheLine_ < 0)
        cacheLine_ = cache_->AddLine(rowStart_, rowState_);
    cache_->AddPoint(cacheLine_, LongLineCache::Point{end, x_, lexer_->State(), tabSincePoint_});
    tabSincePoint_ = false;
    lastPoint_ = cache_->LastPointPos(cacheLine_);
    return false;
}

LineLayout::~LineLayout()
{
    ReleasePaintLists();
}

TextBuff& LineLayout::Text() const
{
    return state_.Text();
}

void LineLayout::Init()
{
    HDC hdc = dc_.Hdc();
    TEXTMETRICW tm{};
    font_ = -1;
    SelectFontIndex(2);
    smallAscent_ = GetTextMetricsW(hdc, &tm) ? tm.tmAscent : 0;
    SelectFontIndex(0);
    normalAscent_ = GetTextMetricsW(hdc, &tm) ? tm.tmAscent : 0;
    int32 measured = dc_.LineHeight();
    lineHeight_ = measured < 1 ? 1 : measured;
    SIZE blank{};
    blankWidth_ = GetTextExtentPoint32W(hdc, L" ", 1, &blank) && blank.cx > 0 ? blank.cx : 1;
    int64 tab = static_cast<int64>(style_.tabStep) * blankWidth_;
    tabWidth_ = AsInt(tab > blankWidth_ ? tab : static_cast<int64>(blankWidth_));

    int64 width = static_cast<int64>(rect_.right) - rect_.left;
    int64 height = static_cast<int64>(rect_.bottom) - rect_.top;
    bool gutter = width >= 2 * static_cast<int64>(style_.textHeight);
    textLeft_ = gutter ? style_.lineHeight : style_.spacing;
    gutterWidth_ = gutter ? style_.textHeight : 0;
    // Truncation toward zero in the line-height share, as the width may be negative.
    int64 wrapWidth = width - textLeft_ - style_.spacing - lineHeight_ / 3;
    wrapWidth_ = AsInt(wrapWidth < 1 ? 1 : wrapWidth);
    int64 area = height - style_.topMargin;
    textAreaHeight_ = AsInt(area < 1 ? 1 : area);
    caretPos_ = state_.CaretPosition();
}

void LineLayout::SelectFontIndex(int32 index)
{
    if (index == font_)
        return;
    const GdiObj& font = index == 1 ? style_.boldFont : index == 2 ? style_.smallFont : style_.normalFont;
    if (!font.IsEmpty())
        dc_.SelectFont(font);
    font_ = index;
}

bool LineLayout::BoldClass(int32 cls) const
{
    switch (cls) {
    case 1: return style_.textBold;
    case 2: case 3: case 4: return style_.commentBold;
    case 5: case 6: return style_.stringBold;
    case 7: return style_.identifierBold;
    case 8: return style_.keywordBold;
    case 9: return style_.known1Bold;
    case 10: return style_.known2Bold;
    case 11: case 12: return style_.numberBold;
    case 13: case 14: case 15: case 16: case 17: return style_.tagBold;
    case 20: return style_.preprocessorBold;
    default: return false;
    }
}

void LineLayout::SelectTokenFont(int32 cls)
{
    SelectFontIndex(BoldClass(cls) ? 1 : 0);
}

COLORREF LineLayout::TokenColor(int32 cls) const
{
    switch (cls) {
    case 2: case 3: case 4: return style_.commentColor;
    case 5: case 6: return style_.stringColor;
    case 7: return style_.identifierColor;
    case 8: return style_.keywordColor;
    case 9: return style_.known1Color;
    case 10: return style_.known2Color;
    case 11: case 12: return style_.numberColor;
    case 13: case 14: case 15: case 16: case 17: return style_.tagColor;
    case 20: return style_.preprocessorColor;
    default: return style_.textColor;
    }
}

int32 LineLayout::TextWidth(const wchar_t* units, int32 count, int32 cls)
{
    if (count <= 0)
        return 0;
    int32 font = BoldClass(cls) ? 1 : 0;
    if (widths_) {
        // Each round fills or refuses one page, so this ends.
        for (;;) {
            int32 missing = -1;
            int32 w = widths_->Sum(font, units, count, missing);
            if (w >= 0)
                return w;
            if (missing < 0)
                break;
            SelectFontIndex(font);
            widths_->Fill(dc_.Hdc(), font, missing);
        }
    }
    SelectFontIndex(font);
    return MeasureTextGdi(dc_.Hdc(), advanced_, units, count);
}

int32 LineLayout::ControlWidth(int64 pos)
{
    TextBuff& text = Text();
    text.DecodeChar(pos);
    int32 n = 0;
    const wchar_t* name = ControlCharName(text.DisplayCode(), n);
    int32 pad = lineHeight_ / 5 > 1 ? lineHeight_ / 5 : 1;
    SelectFontIndex(2);
    SIZE size{};
    int32 w = GetTextExtentPoint32W(dc_.Hdc(), name, n, &size) ? size.cx : 10 * n;
    return w + 2 * pad;
}

int32 LineLayout::TabAdvance(int64 x) const
{
    int64 d = x - lineStartX_;
    if (d < 0)
        d = 0;
    int64 w = tabWidth_ * (d / tabWidth_ + 1) - d;
    if (w < blankWidth_)
        w += tabWidth_;
    return static_cast<int32>(w);
}

void LineLayout::MakeRun(int32 kind, int64 pos, int32 length, int32 textStart, int32 textCount, u32 state)
{
    run_.kind = kind;
    run_.pos = pos;
    run_.length = length;
    run_.textStart = textStart;
    run_.textCount = textCount;
    run_.width = 0;
    run_.x = x_;
    run_.y = y_;
    run_.state = state;
    run_.lettersOnly = 0;
    run_.iterState = iterState_;
}

void LineLayout::FetchToken()
{
    tokenText_.Reset();
    lexer_->NextToken(pending_);
    pendingStartState_ = lexer_->TokenStartState();
}

void LineLayout::ConsumeToken()
{
    pending_.kind = kNoToken;
    indentIndex_ = 0;
}

bool LineLayout::IndentPending() const
{
    // The index runs up to the indent's length once per pending token and is
    // reset only when that token is consumed, so the indent is shown once.
    return style_.autoIndent && state_.pendingIndentPos >= 0 && state_.pendingIndentPos == pending_.start &&
           pending_.start == caretPos_ && indentIndex_ < state_.pendingIndent.Length();
}

void LineLayout::Wrap()
{
    MakeRun(RunWrap, pending_.start, 0, tokenText_.Count(), 0, pendingStartState_);
    PlaceRun(true);
    nextLineStart_ = pending_.start;
    iterState_ = 1;
}

void LineLayout::NextRun()
{
    if (iterState_ == 0 || iterState_ == 1) {
        bool continuation = iterState_ == 1;
        u32 state = continuation && pending_.kind != kNoToken ? pendingStartState_ : lexer_->State();
        MakeRun(continuation ? RunContinuation : RunLineStart, nextLineStart_, 0, tokenText_.Count(), 0, state);
        lineStartX_ = continuation ? tabWidth_ : 0;
        rowLineEnd_ = -1;
        rowStart_ = nextLineStart_;
        rowState_ = state;
        cacheLine_ = pointsOn_ ? cache_->FindLine(rowStart_, rowState_) : -1;
        lastPoint_ = cacheLine_ >= 0 ? cache_->LastPointPos(cacheLine_) : rowStart_;
        waitingPos_ = cacheLine_ >= 0 ? cache_->WaitingPos(cacheLine_) : INT64_MAX;
        tabSincePoint_ = false;
        PlaceRun(true);
        iterState_ = 2;
        return;
    }
    if (pending_.kind == kNoToken)
        FetchToken();
    bool first = iterState_ == 2;
    int32 textStart = pending_.textStart;
    int32 textCount = pending_.textEnd - pending_.textStart;
    int32 length = AsInt(pending_.end - pending_.start);

    if (IndentPending()) {
        int32 at = tokenText_.Count();
        tokenText_.AppendCodePoint(state_.pendingIndent.Data()[indentIndex_], 0);
        MakeRun(RunIndent, pending_.start, 0, at, tokenText_.Count() - at, pendingStartState_);
        // First on its row, an indent character is forced like a token, so
        // a pane narrower than the indent still makes progress.
        if (PlaceRun(first)) {
            indentIndex_++;
            iterState_ = 3;
        } else {
            Wrap();
        }
        return;
    }

    u32 cls = TokenClassOf(pending_.state);
    if (cls == kClassLineEnd) {
        MakeRun(RunLineEnd, pending_.start, length, textStart, textCount, pendingStartState_);
        PlaceRun(true);
        nextLineStart_ = pending_.end;
        ConsumeToken();
        iterState_ = 0;
        return;
    }
    if (cls == kClassEndOfText) {
        MakeRun(RunEndOfText, pending_.start, 0, textStart, 0, pending_.state);
        PlaceRun(true);
        return;
    }
    int32 kind = pending_.kind & 0xFF;
    if (kind != RunBlank && kind != RunTab && kind != RunControl)
        kind = RunText;
    u32 state = pending_.state;
    u8 letters = (pending_.kind & kTokenLettersOnly) ? 1 : 0;
    if (forcedClass_ && kind == RunText && letters)
        state = WithClass(state, static_cast<u32>(forcedClass_));
    MakeRun(kind, pending_.start, length, textStart, textCount, state);
    run_.lettersOnly = letters;
    if (PlaceRun(first)) {
        ConsumeToken();
        iterState_ = 3;
        NotePoint(run_.End());
    } else {
        Wrap();
    }
}

void LineLayout::MeasureRun()
{
    LayoutRun& r = run_;
    switch (r.kind) {
    case RunBlank:
        r.width = blankWidth_;
        break;
    case RunTab:
        r.width = TabAdvance(x_);
        tabSincePoint_ = true;
        break;
    case RunText:
        r.width = TextWidth(tokenText_.Units() + r.textStart, r.textCount, r.Class());
        break;
    case RunControl:
        r.width = ControlWidth(r.pos);
        break;
    case RunIndent: {
        tabSincePoint_ = true;
        int64 x = x_;
        const wchar_t* units = tokenText_.Units() + r.textStart;
        for (int32 i = 0; i < r.textCount; i++) {
            if (units[i] == L'\t')
                x += TabAdvance(x);
            else if (units[i] == L' ')
                x += blankWidth_;
        }
        r.width = AsInt(x - x_);
        break;
    }
    default:
        r.width = 0;
        break;
    }
}

bool LineLayout::PlaceRun(bool force)
{
    MeasureRun();
    LayoutRun& r = run_;
    if (!force && wrap_ && x_ + r.width > wrapWidth_)
        return false;
    r.x = x_;
    r.y = y_;
    switch (r.kind) {
    case RunBlank:
    case RunTab:
    case RunText:
    case RunControl:
    case RunIndent:
        x_ += r.width;
        break;
    case RunLineEnd:
    case RunEndOfText:
        x_ = 0;
        y_ += lineHeight_;
        break;
    case RunWrap:
        lineStartX_ = tabWidth_;
        x_ = tabWidth_;
        y_ += lineHeight_;
        break;
    default:
        break;
    }
    return true;
}

bool LineLayout::HoldsPosition(const LayoutRun& run, int64 position, int32 affinity) const
{
    if (run.kind == RunEndOfText)
        return true;
    if (affinity == 1)
        return run.kind != RunLineEnd && run.pos < position && position <= run.End();
    return run.pos <= position && position < run.End();
}

int64 LineLayout::WalkFloor(int64 position)
{
    if (position <= kLayoutWindow)
        return 0;
    return Text().CharStart((position - kLayoutWindow) & ~(kLayoutGranule - 1));
}

int64 LineLayout::RowLineEnd()
{
    if (rowLineEnd_ < 0) {
        // Looked up once per row: this is asked of every run.
        TextBuff& text = Text();
        int64 line = text.LineOfOffset(run_.End());
        rowLineEnd_ = line < text.LineBreakCount() ? text.CharStart(text.LineStart(line + 1) - 1) : text.Size();
    }
    return rowLineEnd_;
}

// Without wrapping, a row is a whole logical line and may be megabytes
// long. Where the rest of it is of no interest (off the view, or before the
// position looked for) and long, the iterator jumps to the line's end: the
// next run is the line end, at the x reached so far. The lexer starts again
// at the line break as after any seek without a saved state.
bool LineLayout::SkipRestOfLine(int64 before)
{
    if (wrap_ || pending_.kind != kNoToken)
        return false;
    if (run_.kind != RunBlank && run_.kind != RunTab && run_.kind != RunText && run_.kind != RunControl)
        return false;
    int64 from = run_.End();
    if (RowLineEnd() - from <= kLayoutWindow || rowLineEnd_ >= before)
        return false;
    SeekLexer(rowLineEnd_);
    return true;
}

void LineLayout::SeekTo(int64 position, int32 affinity)
{
    Init();
    TextBuff& text = Text();
    if (position < 0)
        position = 0;
    if (position > text.Size())
        position = text.Size();
    pending_.kind = kNoToken;
    run_ = LayoutRun();
    run_.kind = RunNone;
    run_.pos = position;

    LineStartRecord record{position, 0, kInitialLexerState, 0};
    bool lineStart = position == 0 || (CharClass(text.DecodeChar(text.CharStart(position - 1))) & ClassLineBreak);
    if (lineStart) {
        SeekLexer(position);
    } else {
        int64 start = text.LineStart(text.LineOfOffset(position));
        if (position - start > kLayoutWindow)
            start = Max(start, WalkFloor(position));
        SeekLexer(start);
        iterState_ = 0;
        indentIndex_ = 0;
        nextLineStart_ = start;
        lineStartX_ = x_ = y_ = 0;
        record = {start, 0, lexer_->State(), 0};
        for (;;) {
            NextRun();
            if (run_.kind == RunLineStart || run_.kind == RunContinuation)
                record = {run_.pos, run_.iterState, run_.state, indentIndex_};
            if (HoldsPosition(run_, position, affinity))
                break;
        }
        lexer_->Seek(record.pos, record.pos, &record.lexerState, &tokenText_);
    }
    pending_.kind = kNoToken;
    iterState_ = record.iterState;
    indentIndex_ = record.indentIndex;
    nextLineStart_ = record.pos;
    lineStartX_ = iterState_ == 1 ? tabWidth_ : 0;
    x_ = lineStartX_;
    y_ = 0;
    NextRun();
}

int64 LineLayout::PositionToXIn(const LayoutRun& run, int64 position, const wchar_t* units, const u8* lengths)
{
    switch (run.kind) {
    case RunText: {
        if (position <= run.pos)
            return run.x;
        if (position >= run.End())
            return run.x + run.width;
        int64 offset = position - run.pos, sum = 0;
        int32 n = 0;
        while (n < run.textCount && sum < offset)
            sum += lengths[run.textStart + n++];
        return run.x + TextWidth(units + run.textStart, n, run.Class());
    }
    case RunBlank:
    case RunTab:
    case RunControl:
        return position <= run.pos ? run.x : run.x + run.width;
    case RunIndent:
        return run.x + run.width;
    default:
        return run.x;
    }
}

int64 LineLayout::XToPositionIn(const LayoutRun& run, int64 x, const wchar_t* units, const u8* lengths)
{
    if (run.kind == RunBlank || run.kind == RunControl)
        return x < run.width / 2 ? run.pos : run.End();
    if (run.kind == RunTab)
        return x >= run.width - blankWidth_ / 2 ? run.End() : run.pos;
    if (run.width == 0 || x < 1)
        return run.pos;
    if (x >= run.width)
        return run.End();
    if (run.kind != RunText)
        return run.pos;
    const wchar_t* u = units + run.textStart;
    const u8* len = lengths + run.textStart;
    int64 previous = 0, bytes = 0;
    for (int32 i = 0; i < run.textCount;) {
        int32 step = IsHighSurrogate(u[i]) && i + 1 < run.textCount && IsLowSurrogate(u[i + 1]) ? 2 : 1;
        int64 w = TextWidth(u, i + step, run.Class());
        if (x <= (previous + 1 + w) / 2)
            return run.pos + bytes;
        for (int32 k = 0; k < step; k++)
            bytes += len[i + k];
        previous = w;
        i += step;
    }
    return run.End();
}

int64 LineLayout::RunPositionToX(const LayoutRun& run, int64 position)
{
    return PositionToXIn(run, position, tokenText_.Units(), tokenText_.ByteLengths());
}

int64 LineLayout::RunXToPosition(const LayoutRun& run, int64 x)
{
    return XToPositionIn(run, x, tokenText_.Units(), tokenText_.ByteLengths());
}

bool LineLayout::PointInRun(int64 position, int32 affinity, LayoutPoint& point)
{
    const LayoutRun& r = run_;
    if (r.pos > position)
        point = {r.x, r.y};
    else if (r.pos == position && r.kind != RunWrap &&
             (affinity != 1 || r.kind == RunLineStart || r.kind == RunLineEnd))
        point = {r.x, r.y};
    else if (r.End() == position && affinity != 2 && r.kind != RunLineEnd)
        point = {r.x + r.width, r.y};
    else if (r.pos < position && position < r.End())
        point = {RunPositionToX(r, position), r.y};
    else if (r.kind == RunEndOfText)
        point = {r.x, r.y};
    else
        return false;
    return true;
}

LayoutPoint LineLayout::PositionToPoint(int64 position, int32 affinity)
{
    SeekTo(state_.TopPosition(), affinity);
    // Rows more than a page below the view are not walked one by one when
    // the position is far: without wrapping lines are counted, with it the
    // walk goes on only through a layout window of bytes.
    int64 farBelow = 2 * static_cast<int64>(textAreaHeight_) + lineHeight_;
    LayoutPoint point;
    for (;;) {
        if (PointInRun(position, affinity, point))
            return point;
        const LayoutRun& r = run_;
        if ((r.kind == RunLineStart || r.kind == RunContinuation) && r.y > farBelow &&
            (!wrap_ || position - r.pos > kLayoutWindow))
            return FarPoint(position, affinity, r.y, r.pos);
        // None of the runs before a point short of position gives its point.
        JumpAlongRow(position, INT64_MAX);
        SkipRestOfLine(position);
        NextRun();
    }
}

// The point of a position far below the row at rowY that starts at rowPos.
// Without wrapping every logical line is one row, so y is counted in lines
// and x is laid out from the position's line start, as the rows above it
// would be. With wrapping the rows in between are not counted: the position
// is laid out in its own row and y only says that it lies lower.
LayoutPoint LineLayout::FarPoint(int64 position, int32 affinity, int64 rowY, int64 rowPos)
{
    TextBuff& text = Text();
    int64 y = rowY + lineHeight_;
    if (!wrap_) {
        int64 line = text.LineOfOffset(position);
        y = rowY + (line - text.LineOfOffset(rowPos)) * lineHeight_;
        SeekTo(text.LineStart(line), 2);
    } else {
        SeekTo(position, affinity);
    }
    LayoutPoint point;
    while (!PointInRun(position, affinity, point)) {
        JumpAlongRow(position, INT64_MAX);
        SkipRestOfLine(position);
        NextRun();
    }
    return {point.x, y + point.y};
}

PositionAffinity LineLayout::PointToPosition(int64 x, int64 y)
{
    int64 rows = textAreaHeight_ / lineHeight_;
    int64 bottom = lineHeight_ * (rows < 1 ? 1 : rows) - 1;
    y = y < 0 ? 0 : y > bottom ? bottom : y;
    SeekTo(state_.TopPosition(), 2);
    PositionAffinity answer;
    for (;;) {
        const LayoutRun& r = run_;
        if (y >= r.y + lineHeight_) {
            if (r.kind == RunEndOfText) {
                answer = {r.pos, 1};
                break;
            }
            SkipRestOfLine(INT64_MAX);
            NextRun();
            continue;
        }
        if (r.kind == RunLineStart || r.kind == RunContinuation) {
            if (x <= r.x) {
                answer = {r.pos, 2};
                break;
            }
            // Every run ending left of x is passed over.
            JumpAlongRow(INT64_MAX, x - 1);
        } else if (r.kind == RunLineEnd || r.kind == RunWrap || r.kind == RunEndOfText) {
            answer = {r.pos, 1};
            break;
        } else if (x <= r.x) {
            answer = {r.pos, 2};
            break;
        } else if (x == r.x + r.width) {
            answer = {r.End(), 1};
            break;
        } else if (x < r.x + r.width) {
            int64 p = RunXToPosition(r, x - r.x);
            answer = {p, p == r.pos ? 2 : 1};
            break;
        }
        NextRun();
    }
    resultAffinity_ = answer.affinity;
    return answer;
}

PositionAffinity LineLayout::CandidateAt(const LayoutRun& run, int64 x, PositionAffinity current)
{
    if (run.x > x)
        return current;
    if (x >= run.x + run.width)
        return {run.End(), 1};
    if (x == run.x)
        return {run.pos, 2};
    return {RunXToPosition(run, x - run.x), 1};
}

PositionAffinity LineLayout::MoveUpLines(int64 position, int64 n, int64 x, int32 affinity)
{
    int64 pageRows = textAreaHeight_ / lineHeight_;
    int64 limit = 2 * (pageRows < 1 ? 1 : pageRows);
    n = n < 0 ? 0 : n > limit ? limit : n;
    TextBuff& text = Text();
    int64 line = text.LineOfOffset(position);
    int64 start = Max(text.LineStart(line - n < 0 ? 0 : line - n), WalkFloor(position));
    SeekTo(start, 2);
    PodArray<PositionAffinity> candidates;
    for (;;) {
        const LayoutRun& r = run_;
        if (r.pos > position || (r.kind == RunContinuation && r.pos == position && affinity == 1))
            break;
        if (r.kind == RunLineStart || r.kind == RunContinuation) {
            PositionAffinity start{r.pos, 2};
            candidates.Insert(candidates.Count(), start);
        } else if (r.kind != RunLineEnd && r.kind != RunWrap && r.kind != RunEndOfText && candidates.Count() > 0) {
            PositionAffinity& last = candidates.At(candidates.Count() - 1);
            last = CandidateAt(r, x, last);
        }
        if (r.kind == RunEndOfText)
            break;
        NextRun();
    }
    PositionAffinity answer{position, affinity};
    int64 count = candidates.Count();
    if (count >= 2)
        answer = candidates.At(count - 1 - n < 0 ? 0 : count - 1 - n);
    resultAffinity_ = answer.affinity;
    return answer;
}

PositionAffinity LineLayout::MoveDownLines(int64 position, int64 n, int64 x, int32 affinity)
{
    SeekTo(position, affinity);
    PositionAffinity candidate{position, affinity};
    int64 line = -1;
    for (;;) {
        const LayoutRun& r = run_;
        if (r.kind == RunLineStart || r.kind == RunContinuation) {
            if (++line > n)
                break;
            candidate = {r.pos, 2};
            // The runs before a point left of x make its position the
            // candidate, at the end of the run before it.
            int64 passed;
            JumpAlongRow(INT64_MAX, x, &passed);
            if (passed >= 0)
                candidate = {passed, 1};
        } else if (r.kind != RunLineEnd && r.kind != RunWrap && r.kind != RunEndOfText) {
            candidate = CandidateAt(r, x, candidate);
            // Runs right of x change nothing on this row.
            if (r.x > x)
                SkipRestOfLine(INT64_MAX);
        }
        if (r.kind == RunEndOfText)
            break;
        NextRun();
    }
    resultAffinity_ = candidate.affinity;
    return candidate;
}

Array<int64> LineLayout::LineStarts(int64 from, int64 to, int32 affinity)
{
    Array<int64> starts;
    starts.Reset();
    SeekTo(from, affinity);
    for (;;) {
        const LayoutRun& r = run_;
        if (r.kind == RunLineStart || r.kind == RunContinuation) {
            if (r.pos > to)
                break;
            starts.Insert(starts.Count(), r.pos);
        }
        if (r.kind == RunEndOfText || r.End() > to)
            break;
        if (r.End() == to && r.kind != RunLineEnd && affinity != 2)
            break;
        NextRun();
    }
    return starts;
}
