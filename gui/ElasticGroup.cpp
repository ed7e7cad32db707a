#include "gui/ElasticGroup.h"

#include "gui/ChildRecords.h"

#include <algorithm>
#include <climits>

namespace {

int32_t Saturate(int64 value)
{
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

} // namespace

ElasticGroup::ElasticGroup()
    : orientation(Column), smallestCrossMax(0), alignment(AlignStart), gap(0), horizontalMargin(0),
      verticalMargin(0)
{
}

ElasticGroup::~ElasticGroup()
{
    DeleteChildRecords(children);
}

ElasticChild* ElasticGroup::ChildOptions(Control* child)
{
    for (int64 i = 0; i < children.Count(); i++)
        if (children.At(i).child == child)
            return &children.At(i);
    return nullptr;
}

void ElasticGroup::AddChild(Control* child)
{
    ElasticChild record = {};
    record.child = child;
    record.weight = child->IsSpacer() ? 1 : 10000;
    children.Insert(children.Count(), record);
}

void ElasticGroup::RemoveChild(Control* child)
{
    RemoveChildRecord(children, child);
}

void ElasticGroup::Show()
{
    if (shown)
        return;
    GuiBase::Show();
    for (int64 i = 0; i < children.Count(); i++)
        children.At(i).child->Show();
}

void ElasticGroup::ShowNoActivate()
{
    Show();
}

void ElasticGroup::Hide()
{
    if (!shown)
        return;
    GuiBase::Hide();
    for (int64 i = 0; i < children.Count(); i++)
        children.At(i).child->Hide();
}

void ElasticGroup::Measure(SizeLimits& limits)
{
    limits = {0, 0, 0, 0};
    if (IsCollapsed())
        return;
    for (int64 i = 0; i < children.Count(); i++) {
        Control* child = children.At(i).child;
        SizeLimits l = {0, 0, 0, 0};
        if (!child->IsCollapsed())
            child->Measure(l);
        ElasticChild& r = children.At(i);
        r.minWidth = l.minWidth;
        r.minHeight = l.minHeight;
        r.maxWidth = l.maxWidth;
        r.maxHeight = l.maxHeight;
    }

    int d = GetDpi();
    int64 g = MulDiv(gap, d, 96);
    bool row = orientation == Row;
    // Sums of many unbounded children pass 32 bits in deep nests; they are
    // added in 64 bits and saturated when stored.
    int64 mainMin = 0, mainMax = 0;
    int32_t crossMin = 0, crossMax = 0;
    bool first = true;
    for (int64 i = 0; i < children.Count(); i++) {
        const ElasticChild& r = children.At(i);
        if (r.child->IsCollapsed())
            continue;
        mainMin += row ? r.minWidth : r.minHeight;
        mainMax += row ? r.maxWidth : r.maxHeight;
        crossMin = std::max(crossMin, row ? r.minHeight : r.minWidth);
        int32_t childCrossMax = row ? r.maxHeight : r.maxWidth;
        if (!(childCrossMax >= Unbounded && r.child->IsSpacer())) {
            if (crossMax == 0)
                crossMax = childCrossMax;
            else if (smallestCrossMax)
                crossMax = std::min(crossMax, childCrossMax);
            else
                crossMax = std::max(crossMax, childCrossMax);
        }
        if (!first) {
            mainMin += g;
            mainMax += g;
        }
        first = false;
    }
    if (row)
        limits = {Saturate(mainMin), crossMin, Saturate(mainMax), crossMax};
    else
        limits = {crossMin, Saturate(mainMin), crossMax, Saturate(mainMax)};
    limits.maxWidth = std::max(limits.maxWidth, limits.minWidth);
    limits.maxHeight = std::max(limits.maxHeight, limits.minHeight);
    int32_t h = 2 * MulDiv(horizontalMargin, d, 96);
    int32_t v = 2 * MulDiv(verticalMargin, d, 96);
    limits.minWidth = Saturate(int64(limits.minWidth) + h);
    limits.maxWidth = Saturate(int64(limits.maxWidth) + h);
    limits.minHeight = Saturate(int64(limits.minHeight) + v);
    limits.maxHeight = Saturate(int64(limits.maxHeight) + v);
}

void ElasticGroup::SetBounds(const RECT& rect)
{
    int d = GetDpi();
    int32_t h = MulDiv(horizontalMargin, d, 96);
    int32_t v = MulDiv(verticalMargin, d, 96);
    int32_t g = MulDiv(gap, d, 96);
    RECT inner = {rect.left + h, rect.top + v, rect.right - h, rect.bottom - v};
    bool row = orientation == Row;

    auto mainMin = [row](const ElasticChild* r) -> int64 { return row ? r->minWidth : r->minHeight; };
    auto mainMax = [row](const ElasticChild* r) -> int64 { return row ? r->maxWidth : r->maxHeight; };
    auto flexible = [&](const ElasticChild* r) {
        return r->weight != 0 && mainMax(r) > mainMin(r);
    };
    // 64 bits: a nested group's unbounded maximum times 10000 passes 32 bits.
    auto ratio = [&](const ElasticChild* r) {
        return (mainMax(r) - mainMin(r)) * 10000 / static_cast<int64>(r->weight);
    };

    for (int64 i = 0; i < children.Count(); i++) {
        children.At(i).next = nullptr;
        children.At(i).size = 0;
    }

    // Rigid children first, then the flexible ones by how much they may
    // grow per unit of weight, so those that reach their maximum early hand
    // their share on to the more flexible ones after them.
    ElasticChild* head = nullptr;
    int64 W = 0, M = 0, G = 0;
    bool first = true;
    for (int64 i = 0; i < children.Count(); i++) {
        ElasticChild* r = &children.At(i);
        if (r->child->IsCollapsed())
            continue;
        W += r->weight;
        M += mainMin(r);
        if (!first)
            G += g;
        first = false;
        bool rFlexible = flexible(r);
        ElasticChild** link = &head;
        while (*link) {
            ElasticChild* x = *link;
            if (flexible(x) && (!rFlexible || ratio(r) < ratio(x)))
                break;
            link = &x->next;
        }
        r->next = *link;
        *link = r;
    }

    int64 A = (row ? int64(inner.right) - inner.left : int64(inner.bottom) - inner.top) - G;
    for (ElasticChild* r = head; r; r = r->next) {
        int64 size;
        if (W > 0) {
            // Signed: with less room than the minima the share is 0, not a
            // wrapped unsigned product.
            int64 spare = std::min<int64>(A - M, INT32_MAX);
            size = spare > 0 ? spare * static_cast<int64>(r->weight) / W : 0;
            size += mainMin(r);
            size = std::min(size, mainMax(r));
        } else {
            size = mainMin(r);
        }
        A -= size;
        M -= mainMin(r);
        W -= r->weight;
        r->size = Saturate(size);
    }

    int64 cursor = row ? inner.left : inner.top;
    if (row && A > 0) {
        if (alignment == AlignEnd)
            cursor = inner.left + A;
        else if (alignment == AlignCentre)
            cursor = inner.left + A / 2;
    }
    for (int64 i = 0; i < children.Count(); i++) {
        Control* child = children.At(i).child;
        if (child->IsCollapsed())
            continue;
        int32_t size = children.At(i).size;
        RECT r;
        LONG start = Saturate(cursor), end = Saturate(cursor + size);
        if (row)
            r = {start, inner.top, end, inner.bottom};
        else
            r = {inner.left, start, inner.right, end};
        child->SetBounds(r);
        cursor += size + g;
    }
}

const wchar_t* ElasticGroup::HintAt(POINT screenPoint)
{
    return FirstChildHint(children, screenPoint);
}

uint32_t ElasticGroup::HintIdAt(POINT screenPoint)
{
    return FirstChildHintId(children, screenPoint);
}

Space::Space() : width(-1), height(-1), scaled(0) {}

bool Space::IsSpacer()
{
    return true;
}

void Space::Measure(SizeLimits& limits)
{
    int d = scaled ? GetDpi() : 96;
    limits.minWidth = width == -1 ? 0 : MulDiv(width, d, 96);
    limits.maxWidth = width == -1 ? Unbounded : limits.minWidth;
    limits.minHeight = height == -1 ? 0 : MulDiv(height, d, 96);
    limits.maxHeight = height == -1 ? Unbounded : limits.minHeight;
}

ElasticGroup* NewElasticGroup(int32_t orientation, ControlGroup* parent)
{
    return MakeControl<ElasticGroup>([&](ElasticGroup& g) {
        g.orientation = orientation;
        g.parent = parent;
        g.style = Windowless;
        g.Create(L"Elastic Group", 0, 0);
        g.Show();
    });
}

namespace {

Space* MakeSpace(ControlGroup* parent, int32_t width, int32_t height, bool scaled)
{
    return MakeControl<Space>([&](Space& s) {
        s.width = width;
        s.height = height;
        s.scaled = scaled;
        s.parent = parent;
        s.style = Windowless;
        s.Create(L"Space Control", 0, 0);
        s.Show();
    });
}

} // namespace

Space* NewSpace(ControlGroup* parent, int32_t height)
{
    return MakeSpace(parent, -1, height, false);
}

Space* NewScaledSpace(ControlGroup* parent, int32_t width, int32_t height)
{
    return MakeSpace(parent, width, height, true);
}
