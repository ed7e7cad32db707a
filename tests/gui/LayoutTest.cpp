#include "GuiTestSupport.h"

#include "gui/Button.h"
#include "gui/ButtonsBar.h"
#include "gui/ElasticGroup.h"

#include <algorithm>
#include <climits>
#include <random>
#include <string>

namespace {

// A windowless child with fixed limits that keeps the rectangle it is given.
class Fixed : public Control {
public:
    Fixed() = default;
    void Measure(SizeLimits& l) override
    {
        measures++;
        l = limits;
    }
    void SetBounds(const RECT& r) override
    {
        bounds = r;
        placed++;
    }
    SizeLimits limits = {0, 0, 0, 0};
    RECT bounds = {0, 0, 0, 0};
    int measures = 0;
    int placed = 0;
};

Fixed* NewFixed(ControlGroup* parent, SizeLimits limits)
{
    return MakeControl<Fixed>([&](Fixed& f) {
        f.parent = parent;
        f.style = Windowless;
        f.limits = limits;
        f.Create(L"Fixed", 0, 0);
        f.Show();
    });
}

int S(int v, int dpi)
{
    return MulDiv(v, dpi, 96);
}

bool Same(const SizeLimits& a, const SizeLimits& b)
{
    return a.minWidth == b.minWidth && a.minHeight == b.minHeight && a.maxWidth == b.maxWidth &&
           a.maxHeight == b.maxHeight;
}

// A form at a fixed DPI holding one group.
struct Host {
    TestForm form;
    explicit Host(int dpi) { form.SetDpi(dpi); }
};

SizeLimits MeasureOf(Control* c)
{
    SizeLimits l = {-1, -1, -1, -1};
    c->Measure(l);
    return l;
}

const int Dpis[] = {96, 144, 192};

} // namespace

TEST_CASE("a column shares what is left with its only stretching child, at every DPI")
{
    for (int dpi : Dpis) {
        CAPTURE(dpi);
        Host host(dpi);
        ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, &host.form);
        column->gap = 8;
        Fixed* a = NewFixed(column, {10, 20, 10, 20});
        Fixed* b = NewFixed(column, {30, 30, 30, 30});
        Space* space = NewScaledSpace(column, -1, -1);
        SizeLimits l = MeasureOf(column);
        CHECK(l.minHeight == 20 + 30 + 0 + 2 * S(8, dpi));
        CHECK(l.minWidth == 30);
        // The spacer's unbounded width does not count across.
        CHECK(l.maxWidth == 30);

        int height = S(100, dpi);
        column->SetBounds({5, 7, 205, 7 + height});
        CHECK(a->bounds.top == 7);
        CHECK(a->bounds.bottom == 27);
        CHECK(a->bounds.left == 5);
        CHECK(a->bounds.right == 205);
        CHECK(b->bounds.top == 27 + S(8, dpi));
        CHECK(b->bounds.bottom == 57 + S(8, dpi));
        CHECK(column->ChildOptions(space)->size == height - 50 - 2 * S(8, dpi));
        CHECK(column->ChildOptions(space)->weight == 1);
        CHECK(column->ChildOptions(a)->weight == 10000);
        CHECK(column->ChildOptions(&host.form) == nullptr);
    }
}

TEST_CASE("flexible children fill in order of their room per weight, whatever order they came in")
{
    for (int reversed = 0; reversed < 2; reversed++) {
        Host host(96);
        ElasticGroup* row = NewElasticGroup(ElasticGroup::Row, &host.form);
        Fixed* small = nullptr;
        Fixed* large = nullptr;
        if (reversed) {
            large = NewFixed(row, {0, 0, 1000, 10});
            small = NewFixed(row, {0, 0, 50, 10});
        } else {
            small = NewFixed(row, {0, 0, 50, 10});
            large = NewFixed(row, {0, 0, 1000, 10});
        }
        MeasureOf(row);
        row->SetBounds({0, 0, 400, 10});
        CHECK(small->bounds.right - small->bounds.left == 50);
        CHECK(large->bounds.right - large->bounds.left == 350);

        // Weight 0 keeps a child at its minimum however much room there is.
        row->ChildOptions(large)->weight = 0;
        row->ChildOptions(small)->weight = 0;
        large->limits = {40, 0, 1000, 10};
        MeasureOf(row);
        row->SetBounds({0, 0, 400, 10});
        CHECK(large->bounds.right - large->bounds.left == 40);
        CHECK(small->bounds.right - small->bounds.left == 0);
    }
}

TEST_CASE("with less room than the minima every child keeps its minimum")
{
    Host host(96);
    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, &host.form);
    Fixed* a = NewFixed(column, {0, 100, 10, Unbounded});
    Fixed* b = NewFixed(column, {0, 100, 10, Unbounded});
    column->ChildOptions(b)->weight = 3000;
    MeasureOf(column);
    column->SetBounds({0, 0, 10, 150});
    CHECK(a->bounds.bottom - a->bounds.top == 100);
    CHECK(b->bounds.top == 100);
    CHECK(b->bounds.bottom - b->bounds.top == 100);
}

TEST_CASE("a nested column of 30 stretching children does not overflow its neighbour's share")
{
    for (int dpi : Dpis) {
        CAPTURE(dpi);
        Host host(dpi);
        ElasticGroup* outer = NewElasticGroup(ElasticGroup::Column, &host.form);
        Fixed* capped = NewFixed(outer, {0, 0, 10, 50});
        ElasticGroup* inner = NewElasticGroup(ElasticGroup::Column, outer);
        inner->gap = 2;
        std::vector<Space*> spaces;
        for (int i = 0; i < 30; i++)
            spaces.push_back(NewScaledSpace(inner, -1, -1));
        SizeLimits l = MeasureOf(outer);
        CHECK(l.maxHeight == 50 + 30 * Unbounded + 29 * S(2, dpi));

        outer->SetBounds({0, 0, 100, 1000});
        CHECK(capped->bounds.bottom - capped->bounds.top == 50);
        int innerSize = outer->ChildOptions(inner)->size;
        CHECK(innerSize == 950);
        int sum = 0, least = INT_MAX, most = 0;
        for (Space* s : spaces) {
            int size = inner->ChildOptions(s)->size;
            sum += size;
            least = std::min(least, size);
            most = std::max(most, size);
        }
        CHECK(sum + 29 * S(2, dpi) == 950);
        CHECK(most - least <= 1);
    }
}

TEST_CASE("collapsed children take no room and no gap; a collapsed group asks for nothing")
{
    Host host(144);
    ElasticGroup* row = NewElasticGroup(ElasticGroup::Row, &host.form);
    row->gap = 10;
    row->horizontalMargin = 4;
    Fixed* a = NewFixed(row, {20, 5, 20, 5});
    Fixed* b = NewFixed(row, {30, 5, 30, 5});
    Fixed* c = NewFixed(row, {40, 5, 40, 5});
    b->Collapse();
    SizeLimits l = MeasureOf(row);
    CHECK(l.minWidth == 20 + 40 + S(10, 144) + 2 * S(4, 144));
    CHECK(b->measures == 0);
    CHECK(row->ChildOptions(b)->maxWidth == 0);
    row->SetBounds({0, 0, 500, 5});
    CHECK(b->placed == 0);
    CHECK(a->bounds.left == S(4, 144));
    CHECK(c->bounds.left == S(4, 144) + 20 + S(10, 144));

    row->Collapse();
    CHECK(Same(MeasureOf(row), {0, 0, 0, 0}));
    CHECK(!a->IsShown());
}

TEST_CASE("a row of rigid children sits left, centred or right by its alignment")
{
    Host host(96);
    ElasticGroup* row = NewElasticGroup(ElasticGroup::Row, &host.form);
    row->gap = 5;
    Fixed* a = NewFixed(row, {20, 5, 20, 5});
    Fixed* b = NewFixed(row, {30, 5, 30, 5});
    MeasureOf(row);
    const int expected[] = {0, (200 - 55) / 2, 200 - 55};
    for (int alignment = 0; alignment < 3; alignment++) {
        row->alignment = alignment;
        row->SetBounds({0, 0, 200, 5});
        CHECK(a->bounds.left == expected[alignment]);
        CHECK(b->bounds.right == expected[alignment] + 55);
    }

    // Columns always start at the top.
    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, row);
    Fixed* c = NewFixed(column, {5, 20, 5, 20});
    column->alignment = 2;
    MeasureOf(column);
    column->SetBounds({0, 0, 5, 200});
    CHECK(c->bounds.top == 0);
}

TEST_CASE("the cross maximum ignores stretching spacers and follows the cross-limit mode")
{
    Host host(96);
    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, &host.form);
    NewFixed(column, {100, 20, 300, 20});
    NewFixed(column, {50, 20, Unbounded, 20});
    NewSpace(column, 5);
    CHECK(MeasureOf(column).maxWidth == Unbounded);
    column->smallestCrossMax = 1;
    SizeLimits l = MeasureOf(column);
    CHECK(l.maxWidth == 300);
    CHECK(l.minWidth == 100);
    CHECK(l.maxHeight == 45);
}

TEST_CASE("spaces measure in pixels or in 96-dpi units")
{
    for (int dpi : Dpis) {
        CAPTURE(dpi);
        Host host(dpi);
        ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, &host.form);
        CHECK(Same(MeasureOf(NewSpace(column, 20)), {0, 20, Unbounded, 20}));
        CHECK(Same(MeasureOf(NewScaledSpace(column, 10, -1)), {S(10, dpi), 0, S(10, dpi), Unbounded}));
        CHECK(NewScaledSpace(column, 1, 1)->IsSpacer());
    }
}

TEST_CASE("random groups give every child its limits and hand out all the room they can")
{
    unsigned seed = 20261209;
    std::mt19937 random(seed);
    for (int round = 0; round < 2000; round++) {
        Host host(96);
        bool rowGroup = random() % 2;
        ElasticGroup* group = NewElasticGroup(rowGroup ? ElasticGroup::Row : ElasticGroup::Column,
                                              &host.form);
        group->gap = static_cast<int32_t>(random() % 6);
        int n = 1 + static_cast<int>(random() % 12);
        std::vector<Fixed*> kids;
        int64_t sumMin = 0, sumMax = 0;
        bool allWeighted = true;
        for (int i = 0; i < n; i++) {
            int32_t lo = static_cast<int32_t>(random() % 200);
            int32_t hi = random() % 4 == 0 ? Unbounded : lo + static_cast<int32_t>(random() % 400);
            Fixed* f = NewFixed(group, rowGroup ? SizeLimits{lo, 1, hi, 1} : SizeLimits{1, lo, 1, hi});
            // The weights in use.
            const uint32_t weights[] = {0, 1, 100, 1000, 3000, 10000};
            uint32_t w = weights[random() % 6];
            group->ChildOptions(f)->weight = w;
            allWeighted = allWeighted && w != 0;
            sumMin += lo;
            sumMax += hi;
            kids.push_back(f);
        }
        MeasureOf(group);
        int64_t gaps = int64_t(n - 1) * group->gap;
        int32_t length = static_cast<int32_t>(random() % 3000);
        group->SetBounds(rowGroup ? RECT{0, 0, length, 1} : RECT{0, 0, 1, length});
        int64_t available = length - gaps;
        int64_t total = 0;
        bool inside = true;
        int32_t cursor = 0;
        bool ordered = true;
        for (Fixed* f : kids) {
            int32_t size = rowGroup ? f->bounds.right - f->bounds.left : f->bounds.bottom - f->bounds.top;
            int32_t start = rowGroup ? f->bounds.left : f->bounds.top;
            int32_t lo = rowGroup ? f->limits.minWidth : f->limits.minHeight;
            int32_t hi = rowGroup ? f->limits.maxWidth : f->limits.maxHeight;
            inside = inside && size >= lo && size <= hi;
            ordered = ordered && start == cursor;
            cursor = start + size + group->gap;
            total += size;
        }
        INFO("seed " << seed << " round " << round);
        CHECK(inside);
        CHECK(ordered);
        if (available <= sumMin)
            CHECK(total == sumMin);
        else if (allWeighted && available >= sumMax)
            CHECK(total == sumMax);
        else if (allWeighted)
            CHECK(total == available);
        if (!inside || !ordered)
            break;
    }
}

TEST_CASE("a buttons bar keeps the order added from left to right against its right edge")
{
    for (int dpi : Dpis) {
        CAPTURE(dpi);
        Host host(dpi);
        ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, &host.form);
        ButtonsBar* empty = NewButtonsBar(column);
        CHECK(Same(MeasureOf(empty), {0, S(8, dpi), 0, S(8, dpi)}));

        ButtonsBar* bar = NewButtonsBar(column);
        bar->sideMargin = 3;
        Fixed* first = NewFixed(bar, {75, 23, 75, 23});
        CHECK(Same(MeasureOf(bar), {75 + 2 * S(3, dpi), 23 + S(8, dpi), 75 + 2 * S(3, dpi), 23 + S(8, dpi)}));
        Fixed* second = NewFixed(bar, {60, 20, 90, 25});
        Fixed* narrow = NewFixed(bar, {1, 23, 1, 23});
        int twoOs = 20;
        {
            HDC dc = GetDC(host.form.hwnd);
            SIZE o;
            if (GetTextExtentPoint32W(dc, L"O", 1, &o))
                twoOs = 2 * o.cx;
            ReleaseDC(host.form.hwnd, dc);
        }
        SizeLimits l = MeasureOf(bar);
        int width = 75 + 60 + twoOs + 2 * S(8, dpi) + 2 * S(3, dpi);
        CHECK(Same(l, {width, 23 + S(8, dpi), width, 23 + S(8, dpi)}));

        bar->SetBounds({0, 100, 500, 150});
        int right = 500 - S(3, dpi);
        CHECK(narrow->bounds.right == right);
        CHECK(narrow->bounds.left == right - twoOs);
        CHECK(second->bounds.right == narrow->bounds.left - S(8, dpi));
        CHECK(second->bounds.left == second->bounds.right - 60);
        CHECK(first->bounds.right == second->bounds.left - S(8, dpi));
        CHECK(first->bounds.top == 100 + S(8, dpi));
        CHECK(first->bounds.bottom == 150);

        // A collapsed button leaves no gap behind.
        second->Collapse();
        MeasureOf(bar);
        bar->SetBounds({0, 100, 500, 150});
        CHECK(first->bounds.right == narrow->bounds.left - S(8, dpi));
        CHECK(MeasureOf(bar).minWidth == 75 + twoOs + S(8, dpi) + 2 * S(3, dpi));

        delete first;
        CHECK(bar->buttons.Count() == 2);
    }
}

TEST_CASE("groups and bars answer the hint and the id of the child under a point")
{
    TestForm form;
    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, &form);
    NewScaledSpace(column, -1, 10);
    ButtonsBar* bar = NewButtonsBar(column);
    Button* first = NewButton(bar, L"First", 41, L"The first");
    Button* second = NewButton(bar, L"Second", 42, nullptr);
    form.SetBounds({50, 50, 450, 250});
    form.Show();
    Pump();
    auto centre = [](Control* c) {
        RECT r = c->WindowRect();
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    CHECK(std::wstring(form.HintAt(centre(first))) == L"The first");
    CHECK(form.HintIdAt(centre(first)) == 41);
    // Over a button without a hint: an empty text, not none.
    REQUIRE(form.HintAt(centre(second)) != nullptr);
    CHECK(*form.HintAt(centre(second)) == 0);
    CHECK(form.HintIdAt(centre(second)) == 42);
    POINT corner = form.ClientToScreenPoint({1, 1});
    CHECK(form.HintAt(corner) == nullptr);
    CHECK(form.HintIdAt(corner) == 0);
    form.Hide();
}
