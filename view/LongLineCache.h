#pragma once

#include "base/Types.h"

#include <windows.h>

#include <vector>

class TextBuff;

// What one view remembers of the long lines of its text between layouts
// without wrapping, so that a walk along a line of megabytes starts near
// where it is needed instead of at the line start:
// - points along a line: where a walk from the line's start run (its
//   position and lexer state) had a token boundary, with the x reached
//   there and the lexer state, every kPointStep bytes or so;
// - lexer seeks: the state a lexer seek without a saved state gives at a
//   position, which relexes up to 64 KiB before it (done at every line end
//   a row skips to, and at every line start a layout begins with).
// Everything a layout's runs depend on is in the key; a different key
// empties the cache.
class LongLineCache {
public:
    static constexpr int64 kPointStep = 1024;

    // What the runs depend on besides the bytes.
    struct Key {
        const TextBuff* text;
        int32 syntax;
        int32 conversion;
        HFONT fonts[3];
        int32 blankWidth;
        int32 tabWidth;
        int32 lineHeight;
        u32 boldClasses;  // bit c: class c is drawn bold
        bool advanced;

        bool operator==(const Key& other) const;
    };

    struct Point {
        int64 pos;
        int64 x;
        u32 state;
        bool tabBefore;  // a tab may lie between the point before and this one
    };

    // Makes the cache hold for the key and the text as it is now: the
    // points and seeks a single change since leaves standing are kept when
    // the lexer's look ahead is bounded, all are dropped otherwise.
    // Points past a single change move with their bytes and wait until a
    // walk confirms them (see Reach).
    void Validate(const Key& key, const TextBuff& text, bool boundedLookahead);
    void Clear();

    // The state a seek without a saved state gave at pos, if known.
    bool FindSeek(int64 pos, u32& state) const;
    void AddSeek(int64 pos, u32 state);

    // The line walked from the start run at pos with the lexer in state;
    // -1 when none.
    int64 FindLine(int64 pos, u32 state) const;
    int64 AddLine(int64 pos, u32 state);
    // The last point of the line before pos, with x at most maxX; null
    // when there is none.
    const Point* PointBefore(int64 line, int64 pos, int64 maxX) const;
    // Appends a point when it lies kPointStep past the line's last one.
    void AddPoint(int64 line, const Point& point);
    int64 LastPointPos(int64 line) const;
    // Where the line's first waiting point lies; INT64_MAX when none waits.
    int64 WaitingPos(int64 line) const;
    // A walk of the line has a token boundary at point.pos, with x and state
    // there: drops the waiting points before it, and when the first one
    // lies there in the same state, it and those after it whose x moved by
    // as much (no tab between, or a move by whole tab stops) join the
    // points. True when some did.
    bool Reach(int64 line, const Point& point);

private:
    static constexpr int64 kMaxSeeks = 512;
    static constexpr int64 kMaxLines = 64;
    // Bytes a lexer may read past the last token boundary it decided
    // anything at: a token cut at 250 characters of 4 bytes and a look
    // ahead of a few characters, when the look ahead is bounded.
    static constexpr int64 kReach = 2048;
    // Waiting points a walk may pass without meeting them before all of
    // them are dropped: the lexer did not come back to its old path.
    static constexpr int32 kMaxMisses = 8;
    // Slots opened at once before the waiting points when a walk fills them.
    static constexpr size_t kGapRoom = 32;

    struct Seek {
        int64 pos;
        u32 state;
    };
    // One vector holds a line's points, then a gap, then its waiting
    // points: typing in a line of megabytes moves none of them.
    struct Line {
        int64 start;
        u32 state;
        std::vector<Point> points;  // [0, known) points, [waitFrom, size) waiting
        size_t known;
        // The waiting points are past the last change; their pos, state and
        // tab marks hold, their x are all off by one same amount.
        size_t waitFrom;
        int32 misses;
    };

    void Trim(int64 start, int64 removed, int64 inserted);

    Key key_ = {};
    u64 changes_ = 0;
    // invariant: for the key_ and the text as it was at its change count
    // changes_: each seek {pos, state} is what a seek without a saved state
    // to pos gives; each line's points are the token boundaries, x and lexer
    // state of a walk of runs from a start run at start in state, in
    // increasing positions, the first kPointStep or more past start, and
    // known <= waitFrom <= points.size() with every waiting point past the
    // last known one. A change drops every seek within kReach after its
    // start or beyond it, every point within kReach before its start or
    // inside it, and every line that starts after its start; the points
    // after it become waiting ones (points shifted before and after a later
    // change would be off by different amounts: of those only the ones
    // waiting already are kept).
    std::vector<Seek> seeks_;
    size_t nextSeek_ = 0;  // the slot a new seek replaces once all are used
    std::vector<Line> lines_;
    size_t nextLine_ = 0;
};
