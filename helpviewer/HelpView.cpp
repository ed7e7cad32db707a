#include "helpviewer/HelpView.h"

#include "gui/Clipboard.h"
#include "helpviewer/HelpChars.h"

#include <algorithm>

namespace {

constexpr int32 kLineStep = 20;

POINT PointFrom(LPARAM l)
{
    return {static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
}

bool ShiftDown()
{
    return GetKeyState(VK_SHIFT) < 0;
}

}  // namespace

// --- history -----------------------------------------------------------------

void HelpHistory::PushOnto(std::vector<Entry>& stack, Entry entry)
{
    if (stack.size() >= kDepth)
        stack.erase(stack.begin());
    stack.push_back(entry);
}

void HelpHistory::Push(const String& id, int32 position)
{
    forward_.clear();
    if (!back_.empty() && HelpEqualsNoCase(back_.back().id.Data(), back_.back().id.Length(), id.Data(), id.Length()))
        return;
    PushOnto(back_, Entry{id, position});
}

bool HelpHistory::Back(const String& current, int32 position, Entry& to)
{
    if (back_.empty())
        return false;
    PushOnto(forward_, Entry{current, position});
    to = back_.back();
    back_.pop_back();
    return true;
}

bool HelpHistory::Forward(const String& current, int32 position, Entry& to)
{
    if (forward_.empty())
        return false;
    PushOnto(back_, Entry{current, position});
    to = forward_.back();
    forward_.pop_back();
    return true;
}

// --- the view ----------------------------------------------------------------

HelpView* NewHelpView(ControlGroup* parent, uint32_t id)
{
    return MakeControl<HelpView>([&](HelpView& view) {
        view.parent = parent;
        view.id = id;
        view.style = OwnClass | IBeamCursor | DoubleClicks | VScroll | HScroll;
        view.Create(L"Help View", 0, 0);
        view.Show();
    });
}

HelpView::HelpView() = default;

HelpView::~HelpView()
{
    if (caretShown_)
        DestroyCaret();
}

HelpLayoutParams HelpView::Params() const
{
    HelpLayoutParams p;
    p.dpi = const_cast<HelpView*>(this)->GetDpi();
    p.zoom = zoom_;
    p.pictureScale = ScreenPictureScale(p.dpi);
    RECT client = const_cast<HelpView*>(this)->ClientRect();
    p.clientWidth = client.right - client.left;
    return p;
}

void HelpView::Rearrange()
{
    // Measured on a memory context holding a screen-format bitmap, so the
    // pictures made on it match the screen.
    DeviceContext screen;
    screen.FromWindow(hwnd);
    DeviceContext dc;
    dc.Compatible(&screen);
    dc.SelectBitmap(MakeCompatibleBitmap(screen, 1, 1));
    HelpLayoutParams params = Params();
    layoutDpi_ = params.dpi;
    layout_.SetDevice(dc, params);
    layout_.Arrange();
    UpdateScrollBars();
    Invalidate();
    ShowCaret();
}

void HelpView::BuildFonts()
{
    Rearrange();
}

bool HelpView::LayOut(const String& id)
{
    const HelpNode* section = nullptr;
    const bool results = HelpEqualsNoCase(id.Data(), id.Length(), kFindResultsId, 21);
    if (!results) {
        section = document_.Resolve(id.Data(), id.Length());
        if (!section)
            section = document_.FindSection(L"index", 5);
        if (!section)
            section = document_.FindSection(L"0", 1);
        if (!section)
            return false;
    }
    caret_ = anchor_ = HelpPosition();
    caretActive_ = false;
    wantedX_ = -1;
    scrollX_ = scrollY_ = 0;
    currentId_ = results ? id : document_.SectionId(section);
    try {
        layout_.Clear();
        if (section)
            layout_.AddSection(document_, section);
        else
            AddFindResults(layout_, document_, findResults_);
        Rearrange();
    } catch (...) {
        layout_.Clear();
        try {
            Rearrange();
        } catch (...) {
        }
        PostCommandToParent(kPageChangedCommand, 0);
        throw;
    }
    PostCommandToParent(kPageChangedCommand, 0);
    return true;
}

void HelpView::SetFindResults(std::vector<HelpFindHit> hits)
{
    if (hits.size() > kMaxFindResults)
        hits.resize(kMaxFindResults);
    findResults_ = std::move(hits);
}

void HelpView::ShowTopic(const String& id)
{
    const String previous = currentId_;
    const int32 position = scrollY_;
    if (LayOut(id) && !previous.IsEmpty())
        history_.Push(previous, position);
}

void HelpView::ShowEntry(const HelpHistory::Entry& entry)
{
    LayOut(entry.id);
    ScrollTo(scrollX_, entry.position);
}

void HelpView::Back()
{
    HelpHistory::Entry entry;
    if (history_.Back(currentId_, scrollY_, entry))
        ShowEntry(entry);
}

void HelpView::Forward()
{
    HelpHistory::Entry entry;
    if (history_.Forward(currentId_, scrollY_, entry))
        ShowEntry(entry);
}

void HelpView::NextPage()
{
    String id = document_.NextPage(currentId_.Data(), currentId_.Length());
    if (!id.IsEmpty())
        ShowTopic(id);
}

void HelpView::PreviousPage()
{
    String id = document_.PreviousPage(currentId_.Data(), currentId_.Length());
    if (!id.IsEmpty())
        ShowTopic(id);
}

void HelpView::Contents()
{
    ShowTopic(String());
}

void HelpView::SetZoom(int32 zoom)
{
    zoom = std::max(-1, std::min(1, zoom));
    if (zoom == zoom_)
        return;
    auto base = [](int32 z) { return z < 0 ? 10 : z > 0 ? 15 : 12; };
    const int32 y = MulDiv(scrollY_, base(zoom), base(zoom_));
    zoom_ = zoom;
    Rearrange();
    ScrollTo(scrollX_, y);
    PostCommandToParent(kPageChangedCommand, 0);
}

// --- scrolling ---------------------------------------------------------------

bool HelpView::PageFits(int32 clientWidth) const
{
    // The page's right edge with the margin it keeps on the left.
    return int64(layout_.PageWidth()) + layout_.Margin() <= clientWidth;
}

void HelpView::ClampScroll()
{
    RECT client = ClientRect();
    const int32 maxY = std::max(0, layout_.PageHeight() + 16 - static_cast<int32>(client.bottom));
    const int32 maxX = PageFits(client.right) ? 0 : std::max(0, layout_.PageWidth() + 16 - static_cast<int32>(client.right));
    scrollY_ = std::max(0, std::min(scrollY_, maxY));
    scrollX_ = std::max(0, std::min(scrollX_, maxX));
}

void HelpView::UpdateScrollBars()
{
    if (!hwnd)
        return;
    RECT client = ClientRect();
    const int32 pageW = layout_.PageWidth(), pageH = layout_.PageHeight();
    const bool wide = !PageFits(client.right);
    // Showing or hiding the horizontal bar resizes the client once.
    ShowScrollBar(hwnd, SB_HORZ, wide);
    client = ClientRect();
    if (!wide)
        scrollX_ = 0;
    ClampScroll();
    SCROLLINFO v = {sizeof v, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
    v.nMax = std::max<int32>(pageH, client.bottom - 16) - 1;
    v.nPage = static_cast<UINT>(std::max<int32>(0, client.bottom - 16));
    v.nPos = scrollY_;
    SetScrollInfo(hwnd, SB_VERT, &v, TRUE);
    if (wide) {
        SCROLLINFO h = {sizeof h, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
        h.nMax = pageW - 1;
        h.nPage = static_cast<UINT>(std::max<int32>(0, client.right - 16));
        h.nPos = scrollX_;
        SetScrollInfo(hwnd, SB_HORZ, &h, TRUE);
    }
}

void HelpView::ScrollTo(int32 x, int32 y)
{
    scrollX_ = x;
    scrollY_ = y;
    ClampScroll();
    if (!hwnd)
        return;
    SetScrollPos(hwnd, SB_VERT, scrollY_, TRUE);
    SetScrollPos(hwnd, SB_HORZ, scrollX_, TRUE);
    Invalidate();
    ShowCaret();
}

void HelpView::ScrollBy(int32 dx, int32 dy)
{
    ScrollTo(scrollX_ + dx, scrollY_ + dy);
}

int32 HelpView::PageStep(bool vertical) const
{
    RECT client = const_cast<HelpView*>(this)->ClientRect();
    const int32 size = vertical ? client.bottom : client.right;
    return std::max(kLineStep, size - 2 * layout_.Margin() - kLineStep);
}

void HelpView::OnScroll(MessageRecord& m, bool vertical)
{
    const int32 current = vertical ? scrollY_ : scrollX_;
    int32 to = current;
    switch (LOWORD(m.wParam)) {
    case SB_LINEUP: to -= kLineStep; break;
    case SB_LINEDOWN: to += kLineStep; break;
    case SB_PAGEUP: to -= PageStep(vertical); break;
    case SB_PAGEDOWN: to += PageStep(vertical); break;
    case SB_TOP: to = 0; break;
    case SB_BOTTOM: to = kMaxHelpCoordinate; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info = {sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(hwnd, vertical ? SB_VERT : SB_HORZ, &info);
        to = info.nTrackPos;
        break;
    }
    default: return;
    }
    if (vertical)
        ScrollTo(scrollX_, to);
    else
        ScrollTo(to, scrollY_);
}

void HelpView::OnVScroll(MessageRecord& m)
{
    OnScroll(m, true);
}

void HelpView::OnHScroll(MessageRecord& m)
{
    OnScroll(m, false);
}

void HelpView::OnMouseWheel(MessageRecord& m)
{
    const int32 direction = GET_WHEEL_DELTA_WPARAM(m.wParam) > 0 ? -1 : 1;
    const bool page = (GET_KEYSTATE_WPARAM(m.wParam) & MK_SHIFT) != 0;
    ScrollBy(0, direction * (page ? PageStep(true) : 3 * kLineStep));
}

void HelpView::OnSize(MessageRecord& m)
{
    static bool sizing = false;
    if (!sizing && hwnd) {
        sizing = true;
        try {
            Rearrange();
        } catch (...) {
            sizing = false;
            throw;
        }
        sizing = false;
    }
    m.result = 0;
}

// --- positions, caret and selection ------------------------------------------

HelpPosition HelpView::PositionAt(POINT client, bool& hit) const
{
    hit = false;
    const std::vector<HelpRun>& runs = layout_.Runs();
    const int32 x = client.x + scrollX_, y = client.y + scrollY_;
    for (int32 r : layout_.Floats()) {
        const HelpRun& f = runs[static_cast<size_t>(r)];
        if (x >= f.x && x < f.x + f.width && y >= f.y && y < f.y + f.height) {
            hit = true;
            return {r, x < f.x + f.width / 2 ? 0 : 1};
        }
    }
    const std::vector<HelpLine>& lines = layout_.Lines();
    if (lines.empty())
        return {};
    size_t li = std::min(lines.size() - 1, static_cast<size_t>(layout_.LineAtOrBelow(y)));
    // Lines without height hold only marks: take the nearest one with text.
    while (li > 0 && lines[li].height == 0)
        li--;
    const HelpLine& line = lines[li];
    const bool inLine = y >= line.top && y < line.top + line.height;
    HelpPosition last = {line.first, 0};
    for (int32 r = line.first; r < line.end; r++) {
        const HelpRun& run = runs[static_cast<size_t>(r)];
        if (run.line == -1 || run.Positions() == 0)
            continue;
        if (x < run.x)
            return {r, 0};
        if (x < run.x + run.width) {
            hit = inLine;
            if (run.kind != HelpRun::kWord)
                return {r, x < run.x + run.width / 2 ? 0 : 1};
            // Between characters by the nearest edge.
            int32 best = 0;
            int32 bestDistance = x - run.x;
            for (int32 k = 1; k <= run.length; k++) {
                int32 d = std::abs(run.x + layout_.CharX(r, k) - x);
                if (d < bestDistance) {
                    best = k;
                    bestDistance = d;
                }
            }
            return {r, best};
        }
        last = {r, run.Positions()};
    }
    return last;
}

int32 HelpView::RunAt(POINT client) const
{
    bool hit;
    HelpPosition p = PositionAt(client, hit);
    return hit ? p.run : -1;
}

POINT HelpView::PointOf(HelpPosition p) const
{
    const std::vector<HelpRun>& runs = layout_.Runs();
    if (runs.empty())
        return {layout_.Margin(), layout_.Margin()};
    const HelpRun& run = runs[static_cast<size_t>(std::min<size_t>(static_cast<size_t>(p.run), runs.size() - 1))];
    return {run.x + layout_.CharX(p.run, p.offset), run.line == -1 ? run.y : run.line};
}

void HelpView::ShowCaret()
{
    if (!hwnd)
        return;
    if (caretShown_) {
        DestroyCaret();
        caretShown_ = false;
    }
    if (!caretActive_ || !HasFocus() || layout_.Runs().empty())
        return;
    int32 height = 16;
    int32 top = 0;
    const HelpRun& run = layout_.Runs()[static_cast<size_t>(caret_.run)];
    int32 li = layout_.LineOfRun(caret_.run);
    if (run.line == -1 || li < 0) {
        top = run.y;
        height = run.height;
    } else {
        const HelpLine& line = layout_.Lines()[static_cast<size_t>(li)];
        top = line.top;
        height = line.height;
    }
    POINT p = PointOf(caret_);
    CreateCaret(nullptr, 3, height + 2);
    SetCaretPos(p.x - scrollX_, top - 1 - scrollY_);
    GuiBase::ShowCaret();
    caretShown_ = true;
}

void HelpView::ScrollToCaret()
{
    if (layout_.Runs().empty())
        return;
    RECT client = ClientRect();
    POINT p = PointOf(caret_);
    int32 li = layout_.LineOfRun(caret_.run);
    int32 height = li >= 0 ? layout_.Lines()[static_cast<size_t>(li)].height : 20;
    int32 x = scrollX_, y = scrollY_;
    if (p.y < y)
        y = p.y;
    else if (p.y + height > y + client.bottom)
        y = p.y + height - client.bottom;
    if (p.x < x)
        x = p.x - layout_.Margin();
    else if (p.x + 3 > x + client.right)
        x = p.x + 3 - client.right + layout_.Margin();
    ScrollTo(x, y);
}

void HelpView::SetCaret(HelpPosition p, bool extend)
{
    caret_ = p;
    if (!extend)
        anchor_ = p;
    caretActive_ = true;
    ScrollToCaret();
    Invalidate();
    ShowCaret();
}

HelpPosition HelpView::Step(HelpPosition p, bool forward) const
{
    const std::vector<HelpRun>& runs = layout_.Runs();
    const int32 n = static_cast<int32>(runs.size());
    if (n == 0)
        return {};
    if (forward) {
        if (p.offset < runs[static_cast<size_t>(p.run)].Positions())
            return {p.run, p.offset + 1};
        for (int32 r = p.run + 1; r < n; r++)
            if (runs[static_cast<size_t>(r)].Positions() > 0) {
                // Across a line end the start of the next line is a place of its own.
                bool sameLine = layout_.LineOfRun(r) == layout_.LineOfRun(p.run);
                return {r, sameLine ? 1 : 0};
            }
        return p;
    }
    if (p.offset > 0)
        return {p.run, p.offset - 1};
    for (int32 r = p.run - 1; r >= 0; r--) {
        int32 k = runs[static_cast<size_t>(r)].Positions();
        if (k > 0) {
            bool sameLine = layout_.LineOfRun(r) == layout_.LineOfRun(p.run);
            return {r, sameLine ? k - 1 : k};
        }
    }
    return p;
}

HelpPosition HelpView::LinePosition(int32 li, int32 x) const
{
    const HelpLine& line = layout_.Lines()[static_cast<size_t>(li)];
    const int32 y = line.top + line.height / 2;
    bool hit;
    return PositionAt({x - scrollX_, y - scrollY_}, hit);
}

void HelpView::MoveLines(int32 delta, bool extend)
{
    const std::vector<HelpLine>& lines = layout_.Lines();
    if (lines.empty())
        return;
    POINT p = PointOf(caret_);
    if (wantedX_ < 0)
        wantedX_ = p.x;
    int32 li = layout_.LineOfRun(caret_.run);
    if (li < 0)
        li = std::min<int32>(static_cast<int32>(lines.size()) - 1, layout_.LineAtOrBelow(p.y));
    int32 target = li;
    // Lines of marks alone have no height and hold no caret.
    for (int32 step = delta > 0 ? 1 : -1, left = std::abs(delta); left > 0;) {
        int32 next = target + step;
        while (next >= 0 && next < static_cast<int32>(lines.size()) && lines[static_cast<size_t>(next)].height == 0)
            next += step;
        if (next < 0 || next >= static_cast<int32>(lines.size()))
            break;
        target = next;
        left--;
    }
    const int32 wanted = wantedX_;
    SetCaret(LinePosition(target, wanted), extend);
    wantedX_ = wanted;
}

void HelpView::SelectAll()
{
    const int32 n = static_cast<int32>(layout_.Runs().size());
    anchor_ = {0, 0};
    caret_ = n > 0 ? HelpPosition{n - 1, layout_.Runs().back().Positions()} : HelpPosition{};
    caretActive_ = true;
    Invalidate();
    ShowCaret();
}

void HelpView::FollowLink(int32 r)
{
    const HelpRun& run = layout_.Runs()[static_cast<size_t>(r)];
    if (!run.IsLink())
        return;
    const String& markup = layout_.Markup();
    const int64 end = std::min<int64>(markup.Length(), int64(run.link) + run.linkLength);
    ShowTopic(String(markup.Data() + std::min<int64>(run.link, end), end - std::min<int64>(run.link, end)));
}

void HelpView::TabToLink(bool forward)
{
    const std::vector<HelpRun>& runs = layout_.Runs();
    const int32 n = static_cast<int32>(runs.size());
    if (n == 0)
        return;
    const int32 from = caret_.run;
    const int32 own = runs[static_cast<size_t>(from)].link;
    // The runs of the link the caret stands on count as one.
    bool leaving = caretActive_ && own >= 0;
    for (int32 k = 1; k <= n; k++) {
        int32 r = ((forward ? from + k : from - k) % n + n) % n;
        const HelpRun& run = runs[static_cast<size_t>(r)];
        if (leaving && run.link == own)
            continue;
        leaving = false;
        if (run.kind == HelpRun::kWord && run.IsLink()) {
            if (!forward)  // to the first word of that link
                while (r > 0 && runs[static_cast<size_t>(r - 1)].link == run.link)
                    r--;
            wantedX_ = -1;
            SetCaret({r, 0}, false);
            return;
        }
    }
}

// --- input ---------------------------------------------------------------------

void HelpView::OnSetFocus(MessageRecord&)
{
    ShowCaret();
}

void HelpView::OnKillFocus(MessageRecord&)
{
    if (caretShown_) {
        DestroyCaret();
        caretShown_ = false;
    }
}

void HelpView::OnGetDlgCode(MessageRecord& m)
{
    m.result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
}

void HelpView::OnLButtonDown(MessageRecord& m)
{
    POINT p = PointFrom(m.lParam);
    bool hit;
    HelpPosition at = PositionAt(p, hit);
    SetFocus();
    Capture();
    dragging_ = true;
    wantedX_ = -1;
    if (m.msg == WM_LBUTTONDBLCLK && !layout_.Runs().empty()) {
        anchor_ = {at.run, 0};
        caret_ = {at.run, layout_.Runs()[static_cast<size_t>(at.run)].Positions()};
        caretActive_ = true;
        Invalidate();
        ShowCaret();
        return;
    }
    SetCaret(at, false);
}

void HelpView::OnMouseMove(MessageRecord& m)
{
    if (!dragging_ || !(m.wParam & MK_LBUTTON))
        return;
    bool hit;
    HelpPosition at = PositionAt(PointFrom(m.lParam), hit);
    if (at != caret_)
        SetCaret(at, true);
}

void HelpView::OnLButtonUp(MessageRecord& m)
{
    if (!dragging_)
        return;
    dragging_ = false;
    ReleaseCaptureIfHeld();
    if (anchor_ != caret_)
        return;
    int32 r = RunAt(PointFrom(m.lParam));
    if (r >= 0 && layout_.Runs()[static_cast<size_t>(r)].IsLink())
        FollowLink(r);
}

void HelpView::OnKeyDown(MessageRecord& m)
{
    const bool shift = ShiftDown();
    const std::vector<HelpRun>& runs = layout_.Runs();
    switch (m.wParam) {
    case VK_LEFT:
    case VK_RIGHT:
        wantedX_ = -1;
        SetCaret(Step(caret_, m.wParam == VK_RIGHT), shift);
        break;
    case VK_UP:
    case VK_DOWN:
        if (caretActive_)
            MoveLines(m.wParam == VK_DOWN ? 1 : -1, shift);
        else
            ScrollBy(0, m.wParam == VK_DOWN ? kLineStep : -kLineStep);
        break;
    case VK_PRIOR:
    case VK_NEXT: {
        const int32 sign = m.wParam == VK_NEXT ? 1 : -1;
        if (!caretActive_) {
            ScrollBy(0, sign * PageStep(true));
            break;
        }
        POINT p = PointOf(caret_);
        if (wantedX_ < 0)
            wantedX_ = p.x;
        const int32 wanted = wantedX_;
        RECT client = ClientRect();
        const int32 y = std::max<int32>(0, p.y + sign * client.bottom);
        const int32 count = static_cast<int32>(layout_.Lines().size());
        if (count == 0)
            break;
        int32 li = std::min(count - 1, layout_.LineAtOrBelow(y));
        while (li > 0 && layout_.Lines()[static_cast<size_t>(li)].height == 0)
            li--;
        ScrollBy(0, sign * static_cast<int32>(client.bottom));
        SetCaret(LinePosition(li, wanted), shift);
        wantedX_ = wanted;
        break;
    }
    case VK_HOME:
    case VK_END: {
        int32 li = layout_.LineOfRun(caret_.run);
        if (li < 0 || runs.empty())
            break;
        const HelpLine& line = layout_.Lines()[static_cast<size_t>(li)];
        wantedX_ = -1;
        if (m.wParam == VK_HOME)
            SetCaret({line.first, 0}, shift);
        else
            SetCaret({line.end - 1, runs[static_cast<size_t>(line.end - 1)].Positions()}, shift);
        break;
    }
    default:
        break;
    }
}

void HelpView::OnChar(MessageRecord& m)
{
    const bool shift = ShiftDown();
    switch (m.wParam) {
    case 1: SelectAll(); break;
    case 3: Copy(); break;
    case 8:
        if (shift)
            Forward();
        else
            Back();
        break;
    case 9: TabToLink(!shift); break;
    case 13:
        if (!layout_.Runs().empty())
            FollowLink(caret_.run);
        break;
    default: break;
    }
}

void HelpView::DefaultProc(MessageRecord& m)
{
    if (m.msg == WM_SETCURSOR && LOWORD(m.lParam) == HTCLIENT && reinterpret_cast<HWND>(m.wParam) == hwnd) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(hwnd, &p);
        int32 r = RunAt(p);
        bool link = r >= 0 && layout_.Runs()[static_cast<size_t>(r)].IsLink();
        SetCursor(LoadCursorW(nullptr, link ? IDC_HAND : IDC_IBEAM));
        m.result = TRUE;
        return;
    }
    Control::DefaultProc(m);
}

// --- copy and find -----------------------------------------------------------

void HelpView::Copy()
{
    String text = CopyText();
    if (!text.IsEmpty())
        Clipboard::SetText(*this, text.Data(), text.Length());
}

String HelpView::CopyText() const
{
    const std::vector<HelpRun>& runs = layout_.Runs();
    HelpPosition start = std::min(anchor_, caret_), end = std::max(anchor_, caret_);
    if (start == end) {
        start = {0, 0};
        end = {static_cast<int32>(runs.size()), 0};
    }
    std::vector<wchar_t> out;
    auto put = [&](const wchar_t* t, int64 n) { out.insert(out.end(), t, t + n); };
    for (int32 r = start.run; r <= end.run && r < static_cast<int32>(runs.size()); r++) {
        const HelpRun& run = runs[static_cast<size_t>(r)];
        const int32 a = r == start.run ? start.offset : 0;
        const int32 b = r == end.run ? end.offset : run.Positions();
        const bool whole = a == 0 && (r < end.run);
        switch (run.kind) {
        case HelpRun::kWord:
            if (b > a)
                put(run.text + a, b - a);
            break;
        case HelpRun::kSpace:
            if (a == 0 && b >= 1)
                put(L" ", 1);
            break;
        case HelpRun::kPicture:
            if (a == 0 && b >= 1)
                put(L"[obrazek]", 9);
            break;
        case HelpRun::kParagraph:
        case HelpRun::kLineBreak:
            // One line end per break, never two in a row.
            if (whole && !out.empty() && !(out.size() >= 2 && out[out.size() - 2] == L'\r' && out.back() == L'\n'))
                put(L"\r\n", 2);
            break;
        case HelpRun::kBullet:
            if (whole)
                put(L"* ", 2);
            break;
        case HelpRun::kNumber:
            if (whole) {
                NumberText number;
                ListNumberText(run.number, number);
                put(number.CStr(), number.Length());
            }
            break;
        default: break;
        }
    }
    return String(out.data(), static_cast<int64>(out.size()));
}

bool HelpView::FindOnPage(const String& word)
{
    const int64 k = word.Length();
    if (k == 0 || word.Data()[0] == L' ' || word.Data()[0] == L'\t')
        return false;
    // The page as one text: the words' characters, and one separator for
    // each space or break, each character with the place it came from.
    const std::vector<HelpRun>& runs = layout_.Runs();
    std::vector<wchar_t> chars;
    std::vector<HelpPosition> places;
    std::vector<u8> separator;
    for (int32 r = 0; r < static_cast<int32>(runs.size()); r++) {
        const HelpRun& run = runs[static_cast<size_t>(r)];
        if (run.kind == HelpRun::kWord) {
            for (int32 i = 0; i < run.length; i++) {
                chars.push_back(static_cast<wchar_t>(HelpToLowerCodePoint(run.text[i])));
                places.push_back({r, i});
                separator.push_back(0);
            }
        } else if (run.kind == HelpRun::kSpace || run.IsBreak()) {
            chars.push_back(L' ');
            places.push_back({r, 0});
            separator.push_back(1);
        }
    }
    std::vector<wchar_t> folded(static_cast<size_t>(k));
    for (int64 j = 0; j < k; j++)
        folded[static_cast<size_t>(j)] = static_cast<wchar_t>(HelpToLowerCodePoint(word.Data()[j]));
    const HelpPosition from = caretActive_ ? caret_ : HelpPosition{};
    const size_t n = chars.size();
    size_t s = static_cast<size_t>(std::lower_bound(places.begin(), places.end(), from) - places.begin());
    for (; s < n; s++) {
        if (separator[s])
            continue;
        size_t i = s;
        bool ok = true;
        for (int64 j = 0; j < k && ok; j++) {
            const wchar_t c = folded[static_cast<size_t>(j)];
            if (c == L' ' || c == L'\t') {
                // Matches any boundary between runs: separators, or a run's start.
                if (i < n && separator[i]) {
                    while (i < n && separator[i])
                        i++;
                } else if (!(i < n && i > 0 && places[i].run != places[i - 1].run)) {
                    ok = false;
                }
            } else if (i < n && !separator[i] && chars[i] == c) {
                i++;
            } else {
                ok = false;
            }
        }
        if (!ok)
            continue;
        HelpPosition end = places[i - 1];
        if (!separator[i - 1])
            end.offset++;
        else if (i < n)
            end = places[i];
        anchor_ = places[s];
        caret_ = end;
        caretActive_ = true;
        wantedX_ = -1;
        ScrollToCaret();
        Invalidate();
        ShowCaret();
        return true;
    }
    return false;
}
