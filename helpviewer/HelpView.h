#pragma once

// The control that shows one help page: it owns the document, lays out
// topics by id, keeps the back/forward history, paints double-buffered,
// scrolls, keeps a caret and selection over the runs, copies, follows links
// and finds text on the page.

#include "gui/Control.h"
#include "helpviewer/HelpDocument.h"
#include "helpviewer/HelpLayout.h"
#include "helpviewer/HelpSearch.h"

#include <vector>

// Two stacks of 20 {topic, vertical position}: back and forward.
class HelpHistory {
public:
    static constexpr size_t kDepth = 20;
    struct Entry {
        String id;
        int32 position;
    };

    // Clears forward; nothing more when the back top has the same id
    // (ignoring case); the oldest entry goes when 20 are held.
    void Push(const String& id, int32 position);
    // {current, position} goes onto the other stack and the top of this one
    // comes back; false when it is empty.
    bool Back(const String& current, int32 position, Entry& to);
    bool Forward(const String& current, int32 position, Entry& to);
    size_t BackCount() const { return back_.size(); }
    size_t ForwardCount() const { return forward_.size(); }

private:
    static void PushOnto(std::vector<Entry>& stack, Entry entry);
    std::vector<Entry> back_;     // oldest first
    std::vector<Entry> forward_;
};

// A place on the page: a run and a character offset within it.
struct HelpPosition {
    int32 run = 0;
    int32 offset = 0;

    bool operator==(const HelpPosition& o) const { return run == o.run && offset == o.offset; }
    bool operator!=(const HelpPosition& o) const { return !(*this == o); }
    bool operator<(const HelpPosition& o) const { return run < o.run || (run == o.run && offset < o.offset); }
};

class HelpView : public Control {
public:
    // The id of the page of find results.
    static constexpr const wchar_t* kFindResultsId = L"FIND_SECTON_987654321";
    // Posted to the parent after every page change.
    static constexpr int kPageChangedCommand = 151;
    static constexpr COLORREF kBackground = 0xFFFFFF;
    static constexpr COLORREF kSelection = 0xFCCECC;
    static constexpr COLORREF kLinkColour = 0x800000;

    HelpView();
    ~HelpView() override;

    HelpDocument& Document() { return document_; }
    // The hits of the last search in all sections, shown as the page
    // kFindResultsId (at most 100 of them).
    void SetFindResults(std::vector<HelpFindHit> hits);
    const std::vector<HelpFindHit>& FindResults() const { return findResults_; }

    // Makes the fonts again for the current DPI and zoom and lays the page out.
    void BuildFonts();

    // Lays out the page for id and records the previous one in the history.
    void ShowTopic(const String& id);
    void Back();
    void Forward();
    void NextPage();
    void PreviousPage();
    void Contents();
    const HelpHistory& History() const { return history_; }
    const String& CurrentId() const { return currentId_; }

    void Copy();
    void SelectAll();
    // From the caret (or the page start); a match is selected and scrolled
    // into view.
    bool FindOnPage(const String& word);
    void SetZoom(int32 zoom);
    int32 Zoom() const { return zoom_; }

    // The text Copy puts on the clipboard.
    String CopyText() const;
    HelpPosition Caret() const { return caret_; }
    HelpPosition Anchor() const { return anchor_; }
    bool CaretActive() const { return caretActive_; }
    POINT ScrollPosition() const { return {scrollX_, scrollY_}; }
    void ScrollTo(int32 x, int32 y);
    const HelpLayout& Layout() const { return layout_; }
    // The run under a client point, or -1.
    int32 RunAt(POINT client) const;

    // Paints the page part at (scrollX, scrollY) into dc over width x height.
    // Printing draws links without their colour and no selection.
    void PaintPage(HDC dc, const HelpLayout& layout, int32 scrollX, int32 scrollY, int32 width, int32 height,
                   bool printing);

    void OnPaint(MessageRecord& m) override;
    void OnSize(MessageRecord& m) override;
    void OnSetFocus(MessageRecord& m) override;
    void OnKillFocus(MessageRecord& m) override;
    void OnLButtonDown(MessageRecord& m) override;
    void OnMouseMove(MessageRecord& m) override;
    void OnLButtonUp(MessageRecord& m) override;
    void OnMouseWheel(MessageRecord& m) override;
    void OnVScroll(MessageRecord& m) override;
    void OnHScroll(MessageRecord& m) override;
    void OnKeyDown(MessageRecord& m) override;
    void OnChar(MessageRecord& m) override;
    void OnGetDlgCode(MessageRecord& m) override;
    void DefaultProc(MessageRecord& m) override;

private:
    // False when neither the topic nor a fallback exists (nothing changes).
    bool LayOut(const String& id);
    void Rearrange();
    // No part of the page lies right of the view's width.
    bool PageFits(int32 clientWidth) const;
    HelpLayoutParams Params() const;
    void ShowEntry(const HelpHistory::Entry& entry);
    void UpdateScrollBars();
    void ClampScroll();
    void ScrollBy(int32 dx, int32 dy);
    int32 PageStep(bool vertical) const;
    void OnScroll(MessageRecord& m, bool vertical);
    // Where a client point falls between characters.
    HelpPosition PositionAt(POINT client, bool& hit) const;
    POINT PointOf(HelpPosition p) const;
    void SetCaret(HelpPosition p, bool extend);
    void ShowCaret();
    void ScrollToCaret();
    void FollowLink(int32 run);
    HelpPosition Step(HelpPosition p, bool forward) const;
    HelpPosition LinePosition(int32 line, int32 x) const;
    void MoveLines(int32 delta, bool extend);
    void TabToLink(bool forward);
    void PaintSelection(HDC dc, const HelpLayout& layout, int32 r, int32 x, int32 y);

    HelpDocument document_;
    HelpLayout layout_;
    HelpHistory history_;
    std::vector<HelpFindHit> findResults_;
    String currentId_;
    int32 zoom_ = 0;
    int32 scrollX_ = 0;
    int32 scrollY_ = 0;
    int32 layoutDpi_ = 0;
    HelpPosition caret_;
    HelpPosition anchor_;
    bool caretActive_ = false;
    bool caretShown_ = false;
    int32 wantedX_ = -1;
    bool dragging_ = false;
    bool printing_ = false;
};

HelpView* NewHelpView(ControlGroup* parent, uint32_t id);
