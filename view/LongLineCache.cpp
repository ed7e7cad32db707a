#include "view/LongLineCache.h"

#include "text/TextBuff.h"

#include <cstring>

bool LongLineCache::Key::operator==(const Key& other) const
{
    return text == other.text && syntax == other.syntax && conversion == other.conversion &&
           std::memcmp(fonts, other.fonts, sizeof fonts) == 0 && blankWidth == other.blankWidth &&
           tabWidth == other.tabWidth && lineHeight == other.lineHeight && boldClasses == other.boldClasses &&
           advanced == other.advanced;
}

void LongLineCache::Clear()
{
    seeks_.clear();
    nextSeek_ = 0;
    lines_.clear();
    nextLine_ = 0;
}

void LongLineCache::Validate(const Key& key, const TextBuff& text, bool boundedLookahead)
{
    u64 now = text.ChangeCount();
    if (!(key == key_)) {
        Clear();
        key_ = key;
    } else if (now != changes_) {
        if (now == changes_ + 1 && boundedLookahead)
            Trim(text.LastChange().start);
        else
            Clear();
    }
    changes_ = now;
}

void LongLineCache::Trim(int64 changeStart)
{
    std::vector<Seek> seeks;
    for (const Seek& s : seeks_)
        if (s.pos + kReach < changeStart)
            seeks.push_back(s);
    seeks_.swap(seeks);
    nextSeek_ = 0;
    std::vector<Line> lines;
    for (Line& line : lines_) {
        if (line.start + kReach >= changeStart)
            continue;
        size_t keep = line.points.size();
        while (keep > 0 && line.points[keep - 1].pos + kReach >= changeStart)
            keep--;
        line.points.resize(keep);
        lines.push_back(std::move(line));
    }
    lines_.swap(lines);
    nextLine_ = 0;
}

bool LongLineCache::FindSeek(int64 pos, u32& state) const
{
    for (const Seek& s : seeks_) {
        if (s.pos == pos) {
            state = s.state;
            return true;
        }
    }
    return false;
}

void LongLineCache::AddSeek(int64 pos, u32 state)
{
    if (static_cast<int64>(seeks_.size()) < kMaxSeeks) {
        seeks_.push_back(Seek{pos, state});
        return;
    }
    seeks_[nextSeek_] = Seek{pos, state};
    nextSeek_ = (nextSeek_ + 1) % seeks_.size();
}

int64 LongLineCache::FindLine(int64 pos, u32 state) const
{
    for (size_t i = 0; i < lines_.size(); i++)
        if (lines_[i].start == pos && lines_[i].state == state)
            return static_cast<int64>(i);
    return -1;
}

int64 LongLineCache::AddLine(int64 pos, u32 state)
{
    if (static_cast<int64>(lines_.size()) < kMaxLines) {
        lines_.push_back(Line{pos, state, {}});
        return static_cast<int64>(lines_.size()) - 1;
    }
    size_t i = nextLine_;
    nextLine_ = (nextLine_ + 1) % lines_.size();
    lines_[i].start = pos;
    lines_[i].state = state;
    lines_[i].points.clear();
    return static_cast<int64>(i);
}

const LongLineCache::Point* LongLineCache::PointBefore(int64 line, int64 pos, int64 maxX) const
{
    const std::vector<Point>& points = lines_[static_cast<size_t>(line)].points;
    // Points increase in both position and x: the last one short of both.
    size_t lo = 0, hi = points.size();
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        if (points[mid].pos < pos && points[mid].x <= maxX)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo > 0 ? &points[lo - 1] : nullptr;
}

void LongLineCache::AddPoint(int64 line, const Point& point)
{
    std::vector<Point>& points = lines_[static_cast<size_t>(line)].points;
    int64 last = points.empty() ? lines_[static_cast<size_t>(line)].start : points.back().pos;
    if (point.pos >= last + kPointStep)
        points.push_back(point);
}

int64 LongLineCache::LastPointPos(int64 line) const
{
    const std::vector<Point>& points = lines_[static_cast<size_t>(line)].points;
    return points.empty() ? lines_[static_cast<size_t>(line)].start : points.back().pos;
}
