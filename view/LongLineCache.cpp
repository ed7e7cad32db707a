#include "view/LongLineCache.h"

#include "text/TextBuff.h"

#include <cstdint>
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
        if (now == changes_ + 1 && boundedLookahead) {
            const TextBuff::Change& change = text.LastChange();
            Trim(change.start, change.removed, change.inserted);
        } else {
            Clear();
        }
    }
    changes_ = now;
}

void LongLineCache::Trim(int64 start, int64 removed, int64 inserted)
{
    std::vector<Seek> seeks;
    for (const Seek& s : seeks_)
        if (s.pos + kReach < start)
            seeks.push_back(s);
    seeks_.swap(seeks);
    nextSeek_ = 0;
    std::vector<Line> lines;
    for (Line& line : lines_) {
        // A walk from a start run goes by the bytes from there on alone, so
        // a line that starts at or before the change keeps the points past
        // it, however close to its start the change lies.
        if (line.start > start)
            continue;
        std::vector<Point>& points = line.points;
        size_t keep = line.known;
        while (keep > 0 && points[keep - 1].pos + kReach >= start)
            keep--;
        size_t after = keep;
        while (after < line.known && points[after].pos < start + removed)
            after++;
        size_t wait = line.waitFrom;
        while (wait < points.size() && points[wait].pos < start + removed)
            wait++;
        // The points past the change and those waiting already moved by
        // different amounts: when there are both, only the waiting ones stay.
        if (after < line.known && wait == points.size()) {
            points.resize(line.known);
            wait = after;
        }
        for (size_t i = wait; i < points.size(); i++)
            points[i].pos += inserted - removed;
        line.known = keep;
        line.waitFrom = wait;
        line.misses = 0;
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
        lines_.push_back(Line{pos, state, {}, 0, 0, 0});
        return static_cast<int64>(lines_.size()) - 1;
    }
    size_t i = nextLine_;
    nextLine_ = (nextLine_ + 1) % lines_.size();
    lines_[i].start = pos;
    lines_[i].state = state;
    lines_[i].points.clear();
    lines_[i].known = 0;
    lines_[i].waitFrom = 0;
    lines_[i].misses = 0;
    return static_cast<int64>(i);
}

const LongLineCache::Point* LongLineCache::PointBefore(int64 line, int64 pos, int64 maxX) const
{
    const std::vector<Point>& points = lines_[static_cast<size_t>(line)].points;
    // Points increase in both position and x: the last one short of both.
    size_t lo = 0, hi = lines_[static_cast<size_t>(line)].known;
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
    Line& l = lines_[static_cast<size_t>(line)];
    if (point.pos < LastPointPos(line) + kPointStep)
        return;
    if (l.known < l.waitFrom) {
        l.points[l.known++] = point;
        return;
    }
    if (l.waitFrom < l.points.size()) {
        // Room for a few points before the waiting ones, made at once: a
        // walk across an edit records some more than the edit dropped.
        l.points.insert(l.points.begin() + static_cast<std::ptrdiff_t>(l.known), kGapRoom, Point{});
        l.waitFrom += kGapRoom;
        l.points[l.known++] = point;
        return;
    }
    l.points.push_back(point);
    l.known = l.waitFrom = l.points.size();
}

int64 LongLineCache::LastPointPos(int64 line) const
{
    const Line& l = lines_[static_cast<size_t>(line)];
    return l.known == 0 ? l.start : l.points[l.known - 1].pos;
}

int64 LongLineCache::WaitingPos(int64 line) const
{
    const Line& l = lines_[static_cast<size_t>(line)];
    return l.waitFrom < l.points.size() ? l.points[l.waitFrom].pos : INT64_MAX;
}

bool LongLineCache::Reach(int64 line, const Point& point)
{
    Line& l = lines_[static_cast<size_t>(line)];
    std::vector<Point>& points = l.points;
    while (l.waitFrom < points.size() && points[l.waitFrom].pos <= point.pos) {
        const Point& w = points[l.waitFrom];
        if (w.pos == point.pos && w.state == point.state)
            break;
        l.waitFrom++;
        if (++l.misses > kMaxMisses)
            l.waitFrom = points.size();
    }
    if (l.waitFrom >= points.size() || points[l.waitFrom].pos != point.pos) {
        if (l.waitFrom >= points.size()) {
            points.resize(l.known);
            l.waitFrom = l.known;
        }
        return false;
    }
    // From here the walk goes as it went before the change, only moved by
    // dx: a tab after a move by part of a stop advances by another amount.
    int64 dx = point.x - points[l.waitFrom].x;
    bool wholeStops = key_.tabWidth > 0 && dx % key_.tabWidth == 0;
    l.waitFrom++;
    points[l.known++] = point;
    // Closes the gap: known never passes waitFrom.
    while (l.waitFrom < points.size() && (wholeStops || !points[l.waitFrom].tabBefore)) {
        Point p = points[l.waitFrom++];
        p.x += dx;
        points[l.known++] = p;
    }
    l.misses = 0;
    if (l.waitFrom >= points.size()) {
        points.resize(l.known);
        l.waitFrom = l.known;
    }
    return true;
}
