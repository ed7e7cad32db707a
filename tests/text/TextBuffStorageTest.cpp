#include "TextTestSupport.h"

#include "base/Error.h"
#include "text/TextBuff.h"

#include <doctest.h>

#include <string>
#include <vector>

using namespace texttest;

TEST_CASE("a new buffer is empty UTF-8 with CR LF and no conversion")
{
    TextBuff text;
    CHECK(text.Size() == 0);
    CHECK(text.BlockCount() == 0);
    CHECK(text.Encoding() == EncodingUtf8);
    CHECK(text.NewLineKind() == -2);
    CHECK(text.LineEndConversion() == 0);
    CHECK(text.LineBreakCount() == 0);
}

TEST_CASE("inserting 20000 bytes into an empty buffer makes blocks of 7168, 7168 and 5664")
{
    TextBuff text;
    std::string bytes(20000, 'x');
    CHECK(Put(text, 0, 0, bytes) == 20000);
    CHECK(BlockSizes(text) == std::vector<int32>{7168, 7168, 5664});
    CHECK(text.Size() == 20000);
    CHECK(text.TotalCapacity() == 7168 + 768 + 7168 + 768 + 5664 + 768);
    CHECK(text.LastChange().start == 0);
    CHECK(text.LastChange().removed == 0);
    CHECK(text.LastChange().inserted == 20000);
}

TEST_CASE("typing at the end of a block fills its slack in place")
{
    TextBuff text;
    Put(text, 0, 0, std::string(100, 'a'));
    u64 capacity = text.TotalCapacity();
    for (int i = 0; i < 500; i++)
        Put(text, text.Size(), text.Size(), "b");
    CHECK(text.BlockCount() == 1);
    CHECK(text.TotalCapacity() == capacity);
    CHECK(Contents(text) == std::string(100, 'a') + std::string(500, 'b'));
}

TEST_CASE("a block that runs out of room is split and the text stays in order")
{
    TextBuff text;
    std::string model(7168, 'a');
    Put(text, 0, 0, model);
    std::string big(1000, 'z');
    Put(text, 3000, 3000, big);
    model.insert(3000, big);
    CHECK(Contents(text) == model);
    CHECK(text.BlockCount() == 2);
    std::string huge(9000, 'q');
    Put(text, 100, 100, huge);
    model.insert(100, huge);
    CHECK(Contents(text) == model);
}

TEST_CASE("replace returns the end of the inserted bytes for ends in either order")
{
    TextBuff text;
    Put(text, 0, 0, "hello world");
    CHECK(Put(text, 6, 11, "there") == 11);
    CHECK(Contents(text) == "hello there");
    CHECK(Put(text, 5, 0, "HI") == 2);
    CHECK(Contents(text) == "HI there");
    CHECK(text.LastChange().start == 0);
    CHECK(text.LastChange().removed == 5);
    CHECK(text.LastChange().inserted == 2);
}

TEST_CASE("replace outside the text throws IndexError and changes nothing")
{
    TextBuff text;
    Put(text, 0, 0, "abc");
    CHECK_THROWS_AS(Put(text, 4, 4, "x"), IndexError);
    CHECK_THROWS_AS(Put(text, 2, 5, "x"), IndexError);
    CHECK_THROWS_AS(Put(text, -1, 1, "x"), IndexError);
    CHECK(Contents(text) == "abc");
    CHECK(text.Size() == 3);
}

TEST_CASE("growing the text beyond 8 GiB throws TextSizeLimitError and leaves it as it was")
{
    TextBuff text;
    Put(text, 0, 0, "abcdef");
    u8 dummy = 0;
    // The size is checked before any byte is read.
    int64 n = TextBuff::kSizeLimit - text.Size() + 1;
    CHECK_THROWS_AS(text.Replace(3, 3, &dummy, n), TextSizeLimitError);
    CHECK(Contents(text) == "abcdef");
    // Replacing a range counts what it removes.
    CHECK_THROWS_AS(text.Replace(0, 2, &dummy, n + 2), TextSizeLimitError);
    CHECK(Contents(text) == "abcdef");
}

TEST_CASE("copying bytes crosses block boundaries in order and stops at the end")
{
    TextBuff text;
    std::string s;
    for (int i = 0; i < 20000; i++)
        s += static_cast<char>('a' + i % 26);
    Put(text, 0, 0, s);
    std::string out(300, '\0');
    CHECK(text.CopyBytes(7000, reinterpret_cast<u8*>(&out[0]), 300) == 300);
    CHECK(out == s.substr(7000, 300));
    CHECK(text.CopyBytes(19900, reinterpret_cast<u8*>(&out[0]), 300) == 100);
    CHECK(out.substr(0, 100) == s.substr(19900));
    CHECK(text.CopyBytes(20000, reinterpret_cast<u8*>(&out[0]), 10) == 0);
    CHECK(text.CopyBytes(-1, reinterpret_cast<u8*>(&out[0]), 10) == 0);
    CHECK(text.CopyBytes(0, reinterpret_cast<u8*>(&out[0]), 0) == 0);
}

TEST_CASE("a snapshot shares the blocks and keeps the old bytes after an edit")
{
    TextBuff text;
    std::string s(20000, 'a');
    Put(text, 0, 0, s);
    TextBuff snapshot;
    snapshot.ShareFrom(text);
    CHECK(snapshot.Size() == 20000);
    CHECK(text.EntryAt(0).block == snapshot.EntryAt(0).block);
    CHECK(text.EntryAt(0).block->refs == 2);

    // The first edit copies only the block it writes.
    Put(text, 10, 10, "XYZ");
    CHECK(text.EntryAt(0).block != snapshot.EntryAt(0).block);
    CHECK(text.EntryAt(1).block == snapshot.EntryAt(1).block);
    CHECK(snapshot.EntryAt(0).block->refs == 1);
    CHECK(Contents(snapshot) == s);
    CHECK(Contents(text) == s.substr(0, 10) + "XYZ" + s.substr(10));

    // Deleting across shared blocks never writes them.
    Put(text, 100, 15000, "");
    CHECK(Contents(snapshot) == s);
    std::string model = s.substr(0, 10) + "XYZ" + s.substr(10);
    model.erase(100, 14900);
    CHECK(Contents(text) == model);
}

TEST_CASE("sharing copies the markers into a table of the copy's own")
{
    TextBuff text;
    Put(text, 0, 0, "0123456789");
    int64 m = text.AddMovingMarker();
    text.SetMarker(m, 5);
    TextBuff copy;
    copy.ShareFrom(text);
    CHECK(copy.MarkerCount() == 1);
    CHECK(copy.MarkerPosition(m) == 5);
    Put(text, 0, 0, "ab");
    CHECK(text.MarkerPosition(m) == 7);
    CHECK(copy.MarkerPosition(m) == 5);
    CHECK(copy.LastChange().removed == 0);
    CHECK(copy.LastChange().inserted == 10);
}

TEST_CASE("markers follow insertions and deletions by kind")
{
    TextBuff text;
    Put(text, 0, 0, "0123456789");
    int64 moving = text.AddMovingMarker();
    int64 staying = text.AddStayingMarker();
    int64 before = text.AddMovingMarker();
    text.SetMarker(moving, 4);
    text.SetMarker(staying, 4);
    text.SetMarker(before, 2);

    SUBCASE("insertion at the markers' position")
    {
        Put(text, 4, 4, "abc");
        CHECK(text.MarkerPosition(moving) == 7);
        CHECK(text.MarkerPosition(staying) == 4);
        CHECK(text.MarkerPosition(before) == 2);
    }
    SUBCASE("a marker strictly inside a deleted range collapses onto its start")
    {
        Put(text, 3, 6, "");
        CHECK(text.MarkerPosition(moving) == 3);
        CHECK(text.GetMarker(moving).collapsed == 1);
        CHECK(text.MarkerPosition(staying) == 3);
        CHECK(text.GetMarker(staying).collapsed == 1);
        CHECK(text.GetMarker(before).collapsed == 0);
    }
    SUBCASE("markers beyond a deletion move back")
    {
        Put(text, 0, 2, "");
        CHECK(text.MarkerPosition(moving) == 2);
        CHECK(text.MarkerPosition(staying) == 2);
        CHECK(text.MarkerPosition(before) == 0);
        CHECK(text.GetMarker(moving).collapsed == 0);
    }
}

TEST_CASE("a replace at a marker moves it by the path the replace takes")
{
    TextBuff text;
    SUBCASE("in place")
    {
        Put(text, 0, 0, "0123456789");
        int64 moving = text.AddMovingMarker();
        int64 staying = text.AddStayingMarker();
        text.SetMarker(moving, 3);
        text.SetMarker(staying, 3);
        Put(text, 3, 5, "abcd");
        CHECK(text.MarkerPosition(moving) == 3);
        CHECK(text.GetMarker(moving).collapsed == 1);
        CHECK(text.MarkerPosition(staying) == 3);
    }
    SUBCASE("through new blocks")
    {
        Put(text, 0, 0, std::string(7168, 'x'));
        int64 moving = text.AddMovingMarker();
        int64 staying = text.AddStayingMarker();
        text.SetMarker(moving, 3);
        text.SetMarker(staying, 3);
        std::string big(2000, 'y');
        Put(text, 3, 5, big);
        CHECK(text.MarkerPosition(moving) == 3 + 2000);
        CHECK(text.GetMarker(moving).collapsed == 1);
        CHECK(text.MarkerPosition(staying) == 3);
        CHECK(Contents(text) == std::string(3, 'x') + big + std::string(7163, 'x'));
    }
}

TEST_CASE("marker slots are reused and bad indices are refused")
{
    TextBuff text;
    Put(text, 0, 0, "abcdef");
    int64 a = text.AddMovingMarker();
    int64 b = text.AddStayingMarker();
    CHECK(a == 0);
    CHECK(b == 1);
    text.FreeMarker(a);
    CHECK(text.MarkerPosition(a) == -1);
    CHECK(text.AddStayingMarker() == 0);
    text.FreeMarker(99);
    text.FreeMarker(-1);
    CHECK_THROWS_AS(text.SetMarker(2, 0), IndexError);
    CHECK_THROWS_AS(text.MarkerPosition(-1), IndexError);
}

TEST_CASE("marker positions are clamped to the text")
{
    TextBuff text;
    Put(text, 0, 0, "abcdef");
    int64 m = text.AddMovingMarker();
    text.SetMarker(m, 100);
    CHECK(text.MarkerPosition(m) == 6);
    text.SetMarker(m, -5);
    CHECK(text.MarkerPosition(m) == 0);

    // A text taken over that is shorter than the markers' positions.
    text.SetMarker(m, 6);
    TextBuff shorter;
    Put(shorter, 0, 0, "ab");
    shorter.ShareMarkerTable(text);
    text.TakeFrom(shorter);
    CHECK(text.Size() == 2);
    CHECK(text.MarkerPosition(m) == 2);
}

TEST_CASE("taking over keeps a shared marker table and leaves the other empty")
{
    TextBuff text;
    Put(text, 0, 0, "old text");
    int64 m = text.AddMovingMarker();
    text.SetMarker(m, 3);
    TextBuff other;
    other.SetEncoding(EncodingWindows1250);
    Put(other, 0, 0, "new\ntext");
    other.SetNewLineKind(10);
    other.ShareMarkerTable(text);
    text.TakeFrom(other);
    CHECK(Contents(text) == "new\ntext");
    CHECK(text.Encoding() == EncodingWindows1250);
    CHECK(text.NewLineKind() == 10);
    CHECK(text.MarkerPosition(m) == 3);
    CHECK(text.LineBreakCount() == 1);
    CHECK(text.LastChange().removed == 8);
    CHECK(other.Size() == 0);
    CHECK(other.BlockCount() == 0);
    // The emptied buffer is still usable, with markers of its own: clearing
    // it leaves the markers it handed over alone.
    Put(other, 0, 0, "again");
    CHECK(Contents(other) == "again");
    int64 own = other.AddStayingMarker();
    other.SetMarker(own, 4);
    other.Clear();
    CHECK(text.MarkerCount() == 1);
    CHECK(text.MarkerPosition(m) == 3);
    CHECK(text.GetMarker(m).collapsed == 0);
}

TEST_CASE("a buffer that handed over a shared marker table no longer resets it when it goes")
{
    TextBuff text;
    Put(text, 0, 0, "0123456789");
    int64 m = text.AddMovingMarker();
    text.SetMarker(m, 7);
    {
        TextBuff temporary;
        Put(temporary, 0, 0, "abcdefghijkl");
        temporary.ShareMarkerTable(text);
        text.TakeFrom(temporary);
    }
    CHECK(text.MarkerPosition(m) == 7);
    CHECK(text.GetMarker(m).collapsed == 0);
}

TEST_CASE("clearing resets markers and settings")
{
    TextBuff text;
    text.SetEncoding(EncodingUtf16LE);
    text.SetLineEndConversion(10);
    Put(text, 0, 0, Utf16LE(L"abc"));
    int64 m = text.AddMovingMarker();
    text.SetMarker(m, 4);
    text.Clear();
    CHECK(text.Size() == 0);
    CHECK(text.Encoding() == EncodingUtf8);
    CHECK(text.LineEndConversion() == 0);
    CHECK(text.MarkerPosition(m) == 0);
    CHECK(text.GetMarker(m).collapsed == 1);
    CHECK(text.LastChange().removed == 6);
}

namespace {

class FailingLoader : public TextBuff::Loader {
public:
    int64 Read(u8* buffer, int64 n) override
    {
        if (calls++ == 2)
            throw Abort();
        for (int64 i = 0; i < n; i++)
            buffer[i] = 'x';
        return n;
    }
    int calls = 0;
};

}  // namespace

TEST_CASE("loading fills blocks of 7168 bytes and a failure leaves the buffer empty")
{
    TextBuff text;
    LoadText(text, std::string(15000, 'a') + "\r\n" + std::string(10, 'b'));
    CHECK(BlockSizes(text) == std::vector<int32>{7168, 7168, 676});
    CHECK(text.LineBreakCount() == 1);
    CHECK(text.LastChange().inserted == 15012);

    int64 m = text.AddMovingMarker();
    text.SetMarker(m, 5);
    FailingLoader failing;
    TextBuff other;
    CHECK_THROWS_AS(other.Load(failing), Abort);
    CHECK(other.Size() == 0);
    CHECK(other.BlockCount() == 0);
}
