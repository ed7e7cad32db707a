#pragma once

// Set-ups shared by the view tests: settings, documents from bytes, memory
// device contexts to paint into and stand-alone layouts.

#include "base/SettingsStore.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"
#include "view/LineLayout.h"
#include "view/ViewState.h"
#include "view/ViewStyle.h"
#include "view/syntax/LexerFactory.h"

#include <doctest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using SettingPairs = std::initializer_list<std::pair<const wchar_t*, const wchar_t*>>;

inline SettingsStore MakeSettings(SettingPairs pairs = {})
{
    SettingsStore s;
    // Plain pixels, so that colours can be compared exactly.
    s.SetText(L"FontAntialiasing", L"none");
    for (const auto& p : pairs)
        s.SetText(p.first, p.second);
    return s;
}

// A list of positions taken in pairs, as the highlight lists hold them.
inline Array<int64> Pairs(std::initializer_list<int64> values)
{
    Array<int64> list;
    list.Reset();
    for (int64 v : values)
        list.Insert(list.Count(), v);
    return list;
}

// n lines of the prefix and a number counting from first, each ended by LF.
inline std::string NumberedLines(int n, const std::string& prefix = "row ", int first = 1000)
{
    std::string text;
    for (int i = 0; i < n; i++)
        text += prefix + std::to_string(first + i) + "\n";
    return text;
}

inline void SetText(TextDocument& doc, const std::string& bytes)
{
    doc.text.Replace(0, doc.text.Size(), reinterpret_cast<const u8*>(bytes.data()), static_cast<int64>(bytes.size()));
}

// A memory device context with a bitmap whose pixels the tests read back.
class Canvas {
public:
    Canvas(int width, int height)
    {
        DeviceContext screen;
        screen.FromWindow(nullptr);
        dc.Compatible(&screen);
        dc.SelectBitmap(MakeCompatibleBitmap(screen, width < 1 ? 1 : width, height < 1 ? 1 : height));
        dc.FillRect(RECT{0, 0, width, height}, 0x123456);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc.Hdc(), x, y); }
    // True when any pixel of the rectangle has the colour.
    bool Any(const RECT& r, COLORREF c) const
    {
        for (int y = r.top; y < r.bottom; y++)
            for (int x = r.left; x < r.right; x++)
                if (At(x, y) == c)
                    return true;
        return false;
    }
    bool All(const RECT& r, COLORREF c) const
    {
        for (int y = r.top; y < r.bottom; y++)
            for (int x = r.left; x < r.right; x++)
                if (At(x, y) != c)
                    return false;
        return true;
    }

    DeviceContext dc;
};

// The plain-text lexer, counting the tokens it makes: how much of the text
// a layout went through.
class CountingLexer : public TextLexer {
public:
    CountingLexer(TextDocument* document, int64* counter) : TextLexer(document), counter_(counter) {}
    void NextToken(TokenRecord& record) override
    {
        ++*counter_;
        TextLexer::NextToken(record);
    }

private:
    int64* counter_;
};

// A document with one view state, a style and a memory device context: what
// a layout needs, without a window.
class LayoutBench {
public:
    explicit LayoutBench(const std::string& text, const SettingsStore& settings = MakeSettings(), int32 dpi = 96,
                         int32 syntax = 0, int32 zoom = 0)
        : canvas(8, 8), factory(LexerFactory::Create())
    {
        doc.syntax = syntax;
        SetText(doc, text);
        state.document = &doc;
        state.caretMarker = doc.text.AddMovingMarker();
        state.anchorMarker = doc.text.AddMovingMarker();
        state.topMarker = doc.text.AddStayingMarker();
        state.barsFollow = true;
        state.desiredX = -1;
        state.pendingIndentPos = -1;
        style = ViewStyle::Create();
        style->Read(dpi, canvas.dc, zoom, settings);
    }

    // A layout over a view of the given size with a fresh lexer.
    LineLayout Make(int width, int height)
    {
        FreshLexer();
        return LineLayout(state, *style, lexer.get(), canvas.dc, RECT{0, 0, width, height});
    }
    LineLayout Paint(Canvas& target, int width, int height, const DictRegistry* registry = nullptr,
                     const Array<int64>& underlines = Array<int64>(), const Array<int64>& backgrounds = Array<int64>())
    {
        FreshLexer();
        return LineLayout::ForPaint(state, *style, lexer.get(), target.dc, RECT{0, 0, width, height}, 0, registry,
                                    underlines, backgrounds);
    }

    // A view width whose wrap width is exactly wrapWidth.
    int ViewWidthFor(int wrapWidth)
    {
        LineLayout probe = Make(10000, 100);
        return wrapWidth + probe.TextLeft() + style->spacing + probe.LineHeight() / 3;
    }

    int32 Width(const wchar_t* text, int font = 0)
    {
        canvas.dc.SelectFont(font == 1 ? style->boldFont : font == 2 ? style->smallFont : style->normalFont);
        SIZE size{};
        GetTextExtentPoint32W(canvas.dc.Hdc(), text, static_cast<int>(std::wstring(text).size()), &size);
        return size.cx;
    }

    void SetCaret(int64 caret, int64 anchor = -1)
    {
        doc.text.SetMarker(state.caretMarker, caret);
        doc.text.SetMarker(state.anchorMarker, anchor < 0 ? caret : anchor);
    }

    // Every run from the row of `from` to the end of text (at most limit).
    std::vector<LayoutRun> Runs(LineLayout& layout, int64 from = 0, int limit = 10000)
    {
        std::vector<LayoutRun> runs;
        layout.SeekTo(from, 2);
        for (int i = 0; i < limit; i++) {
            runs.push_back(layout.Current());
            if (layout.Current().kind == RunEndOfText)
                break;
            layout.NextRun();
        }
        return runs;
    }

    // The syntax's lexer, or a plain counting one while tokens is set.
    void FreshLexer()
    {
        if (tokens)
            lexer.reset(NewLexer<CountingLexer>(&doc, tokens));
        else
            lexer.reset(factory->CreateLexer(&doc));
    }

    int64* tokens = nullptr;
    Canvas canvas;
    std::unique_ptr<LexerFactory> factory;
    TextDocument doc;
    ViewState state{};
    std::unique_ptr<ViewStyle> style;
    LexerPtr lexer;
};

inline std::vector<int32> Kinds(const std::vector<LayoutRun>& runs)
{
    std::vector<int32> kinds;
    for (const LayoutRun& r : runs)
        kinds.push_back(r.kind);
    return kinds;
}

