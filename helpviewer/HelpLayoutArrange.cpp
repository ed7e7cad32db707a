#include "helpviewer/HelpLayout.h"

#include <algorithm>
#include <cmath>

namespace {

int32 Sat(int64 v)
{
    return static_cast<int32>(std::max<int64>(-kMaxHelpCoordinate, std::min<int64>(kMaxHelpCoordinate, v)));
}

}  // namespace

void HelpLayout::PictureSize(const HelpImage& image, int32 available, int32& width, int32& height) const
{
    width = Sat(std::llround(image.width * params_.pictureScale));
    height = Sat(std::llround(image.height * params_.pictureScale));
    // Wider than the page: shown at the page's width, in proportion.
    if (width > available && width > 0) {
        height = static_cast<int32>(static_cast<int64>(height) * available / width);
        width = available;
    }
}

void HelpLayout::MeasureRun(HelpRun& run)
{
    const HelpFont& f = fonts_[static_cast<size_t>(run.FontIndex())];
    switch (run.kind) {
    case HelpRun::kWord:
    case HelpRun::kSpace: {
        SIZE size = {0, 0};
        if (dc_.Hdc()) {
            SelectFont(run.FontIndex());
            GetTextExtentPoint32W(dc_.Hdc(), run.text, run.length, &size);
        }
        run.width = Sat(size.cx);
        run.height = f.height;
        break;
    }
    case HelpRun::kPicture:
        break;  // sized while lines are broken: the width available decides
    case HelpRun::kIndentIn:
    case HelpRun::kIndentOut:
        run.width = 0;
        run.height = 0;
        break;
    default:
        run.width = 0;
        run.height = f.height;
        break;
    }
}

int32 HelpLayout::CharX(int32 r, int32 offset) const
{
    const HelpRun& run = runs_[static_cast<size_t>(r)];
    if (offset <= 0)
        return 0;
    if (run.kind != HelpRun::kWord)
        return offset > 0 ? run.width : 0;
    if (offset >= run.length)
        return run.width;
    SIZE size = {0, 0};
    if (dc_.Hdc()) {
        HGDIOBJ old = SelectObject(dc_.Hdc(), fonts_[static_cast<size_t>(run.FontIndex())].font.Handle());
        GetTextExtentPoint32W(dc_.Hdc(), run.text, offset, &size);
        SelectObject(dc_.Hdc(), old);
    }
    return size.cx;
}

int32 HelpLayout::LineOfRun(int32 r) const
{
    auto it = std::upper_bound(lines_.begin(), lines_.end(), r,
                               [](int32 value, const HelpLine& line) { return value < line.first; });
    if (it == lines_.begin())
        return -1;
    --it;
    return r < it->end ? static_cast<int32>(it - lines_.begin()) : -1;
}

int32 HelpLayout::LineAtOrBelow(int32 y) const
{
    auto it = std::upper_bound(lines_.begin(), lines_.end(), y,
                               [](int32 value, const HelpLine& line) { return value < line.top + line.height; });
    return static_cast<int32>(it - lines_.begin());
}

// Lines are broken left to right; floating pictures narrow the lines beside
// them until a line starts below their bottom.
class HelpLineBreaker {
public:
    explicit HelpLineBreaker(HelpLayout& layout) : l_(layout), runs_(layout.runs_) {}

    void Run();

private:
    int32 LeftEdge() const { return (leftFloats_ ? leftRight_ + gap_ : pageLeft_) + indent_; }
    int32 RightLimit() const { return rightFloats_ ? rightLeft_ - gap_ : pageRight_; }
    bool Floats() const { return leftFloats_ || rightFloats_; }
    int32 NearestFloatBottom() const
    {
        int32 b = kMaxHelpCoordinate;
        if (leftFloats_)
            b = std::min(b, leftBottom_);
        if (rightFloats_)
            b = std::min(b, rightBottom_);
        return std::max(b, top_);
    }
    void MoveTo(int32 top)
    {
        top_ = top;
        if (leftFloats_ && top_ >= leftBottom_)
            leftFloats_ = false;
        if (rightFloats_ && top_ >= rightBottom_)
            rightFloats_ = false;
        x_ = LeftEdge();
    }
    // Moves an empty line down; its leading marks come along.
    void MoveEmptyLine(int32 top, size_t upTo)
    {
        MoveTo(top);
        for (size_t k = first_; k < upTo; k++)
            if (runs_[k].line != -1)
                runs_[k].x = x_;
    }
    void StartLine(size_t first, int32 top)
    {
        first_ = first;
        content_ = false;
        MoveTo(top);
    }
    void EndLine(size_t end, bool blank);
    void Clear(int32 bits)
    {
        if ((bits & 1) && leftFloats_)
            top_ = std::max(top_, leftBottom_);
        if ((bits & 2) && rightFloats_)
            top_ = std::max(top_, rightBottom_);
    }
    int32 FontHeight(int32 font) const { return l_.fonts_[static_cast<size_t>(font)].height; }
    void Float(size_t i);

    HelpLayout& l_;
    std::vector<HelpRun>& runs_;
    int32 pageLeft_ = 0, pageRight_ = 0, gap_ = 0;
    int32 top_ = 0, x_ = 0, indent_ = 0;
    std::vector<int32> indents_;  // each indent in's amount, so an out takes back what its in gave
    bool leftFloats_ = false, rightFloats_ = false;
    int32 leftRight_ = 0, leftBottom_ = 0, rightLeft_ = 0, rightBottom_ = 0;
    size_t first_ = 0;
    bool content_ = false;
    int32 lastHeight_ = 0;  // font height of the last word
    int32 bottom_ = 0;
};

void HelpLineBreaker::EndLine(size_t end, bool blank)
{
    int32 ascent = 0, descent = 0, pictures = 0, spacing = 0;
    bool text = false;
    for (size_t k = first_; k < end; k++) {
        const HelpRun& r = runs_[k];
        if (r.line == -1)
            continue;
        const HelpFont& f = l_.fonts_[static_cast<size_t>(r.FontIndex())];
        if (r.kind == HelpRun::kWord || r.kind == HelpRun::kSpace) {
            int32 a = f.ascent, d = f.descent;
            if (f.flags & kHelpSuperscript)
                a = f.ascent * 3 / 2;
            if (f.flags & kHelpSubscript)
                d = f.descent + f.ascent / 3;
            ascent = std::max(ascent, a);
            descent = std::max(descent, d);
            spacing = f.height;
            text = true;
        } else if (r.kind == HelpRun::kPicture) {
            pictures = std::max(pictures, r.height);
        }
    }
    if (!text && blank && end > first_) {
        // A break right after another break stands for an empty line.
        const HelpFont& f = l_.fonts_[static_cast<size_t>(runs_[end - 1].FontIndex())];
        ascent = f.ascent;
        descent = f.descent;
        spacing = f.height;
    }
    if (ascent + descent < pictures)
        ascent = pictures - descent;
    const int32 baseline = Sat(int64(top_) + ascent);
    for (size_t k = first_; k < end; k++) {
        HelpRun& r = runs_[k];
        if (r.line == -1)
            continue;
        r.line = top_;
        const HelpFont& f = l_.fonts_[static_cast<size_t>(r.FontIndex())];
        if (r.kind == HelpRun::kPicture) {
            r.y = Sat(int64(top_) + pictures - r.height);
        } else {
            int64 y = int64(baseline) - f.ascent;
            if (r.kind == HelpRun::kWord || r.kind == HelpRun::kSpace) {
                if (f.flags & kHelpSuperscript)
                    y -= f.ascent / 2;
                if (f.flags & kHelpSubscript)
                    y += f.ascent / 3;
            }
            r.y = Sat(y);
        }
        // A space that ends a line may hang into the margin; it takes no width.
        if (r.kind != HelpRun::kSpace)
            l_.pageWidth_ = std::max(l_.pageWidth_, Sat(int64(r.x) + r.width));
    }
    const int32 height = ascent + descent;
    l_.lines_.push_back(HelpLine{top_, height, static_cast<int32>(first_), static_cast<int32>(end)});
    if (height > 0)
        bottom_ = std::max(bottom_, Sat(int64(top_) + height));
    top_ = Sat(int64(top_) + height + (height > 0 ? spacing / 8 : 0));
    first_ = end;
    content_ = false;
}

void HelpLineBreaker::Float(size_t i)
{
    HelpRun& r = runs_[i];
    r.line = -1;
    const HelpImage* image = r.picture >= 0 ? &l_.images_[static_cast<size_t>(r.picture)] : nullptr;
    r.width = r.height = 0;
    if (image)
        l_.PictureSize(*image, std::max(1, pageRight_ - pageLeft_), r.width, r.height);
    if (r.width == 0 || r.height == 0)
        return;
    // A float that does not fit beside the others waits below them.
    while (Floats() && x_ + r.width > RightLimit()) {
        const int32 below = NearestFloatBottom();
        if (content_) {
            EndLine(i, false);
            StartLine(i, std::max(top_, below));
        } else {
            MoveEmptyLine(std::max(top_, below), i);
        }
    }
    r.y = top_;
    if (r.flags == 1) {
        r.x = x_;
        leftRight_ = leftFloats_ ? std::max(leftRight_, Sat(int64(x_) + r.width)) : Sat(int64(x_) + r.width);
        leftBottom_ = leftFloats_ ? std::max(leftBottom_, Sat(int64(top_) + r.height)) : Sat(int64(top_) + r.height);
        leftFloats_ = true;
        x_ = std::max(x_, LeftEdge());
    } else {
        rightLeft_ = Sat(int64(rightFloats_ ? rightLeft_ : pageRight_) - r.width);
        rightBottom_ = rightFloats_ ? std::max(rightBottom_, Sat(int64(top_) + r.height)) : Sat(int64(top_) + r.height);
        rightFloats_ = true;
        r.x = rightLeft_;
    }
    l_.floats_.push_back(static_cast<int32>(i));
    bottom_ = std::max(bottom_, Sat(int64(r.y) + r.height));
    l_.pageWidth_ = std::max(l_.pageWidth_, Sat(int64(r.x) + r.width));
}

void HelpLineBreaker::Run()
{
    const int32 margin = l_.Margin();
    // A client narrower than its margins still lays out, one pixel wide.
    const int32 available = std::max(1, l_.params_.clientWidth - 2 * margin);
    pageLeft_ = margin;
    pageRight_ = Sat(int64(margin) + available);
    gap_ = l_.params_.dpi / 18;
    lastHeight_ = FontHeight(0);
    StartLine(0, margin);
    for (size_t i = 0; i < runs_.size(); i++) {
        HelpRun& r = runs_[i];
        r.line = 0;
        r.x = x_;
        switch (r.kind) {
        case HelpRun::kPicture:
            if (r.flags == 1 || r.flags == 2) {
                Float(i);
                break;
            }
            r.width = r.height = 0;
            if (r.picture >= 0)
                l_.PictureSize(l_.images_[static_cast<size_t>(r.picture)], available, r.width, r.height);
            [[fallthrough]];
        case HelpRun::kWord:
            for (;;) {
                if (x_ + int64(r.width) <= RightLimit())
                    break;
                if (content_) {
                    EndLine(i, false);
                    StartLine(i, top_);
                    continue;
                }
                // Alone on a line beside floats: below them rather than over the edge.
                if (Floats()) {
                    MoveEmptyLine(NearestFloatBottom(), i);
                    continue;
                }
                break;
            }
            r.x = x_;
            x_ = Sat(int64(x_) + r.width);
            content_ = true;
            if (r.kind == HelpRun::kWord)
                lastHeight_ = FontHeight(r.FontIndex());
            break;
        case HelpRun::kSpace:
            if (!content_)
                r.width = 0;
            r.x = x_;
            x_ = Sat(int64(x_) + r.width);
            break;
        case HelpRun::kParagraph:
        case HelpRun::kLineBreak: {
            const bool blank = i > 0 && runs_[i - 1].IsBreak();
            EndLine(i + 1, blank && !content_);
            if (r.kind == HelpRun::kParagraph)
                top_ = Sat(int64(top_) + lastHeight_ / 2);
            Clear(r.flags);
            StartLine(i + 1, top_);
            break;
        }
        case HelpRun::kIndentIn:
        case HelpRun::kIndentOut: {
            if (content_) {
                EndLine(i + 1, false);
                StartLine(i + 1, top_);
            }
            if (r.kind == HelpRun::kIndentIn) {
                int32 step = Sat(int64(r.font) * lastHeight_);
                indents_.push_back(step);
                indent_ = Sat(int64(indent_) + step);
            } else if (!indents_.empty()) {
                indent_ -= indents_.back();
                indents_.pop_back();
            }
            x_ = LeftEdge();
            break;
        }
        default:  // bullets and list numbers take no width
            r.x = x_;
            break;
        }
    }
    EndLine(runs_.size(), false);
    l_.pageHeight_ = bottom_;
}

void HelpLayout::Arrange()
{
    lines_.clear();
    floats_.clear();
    pageWidth_ = pageHeight_ = 0;
    selectedFont_ = -1;
    for (HelpRun& run : runs_)
        MeasureRun(run);
    HelpLineBreaker(*this).Run();
}
