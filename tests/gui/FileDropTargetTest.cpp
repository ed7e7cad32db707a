#include "GuiTestSupport.h"

#include "gui/FileDropTarget.h"
#include "support/DropData.h"

#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> AnsiBlock(const std::vector<std::string>& names)
{
    auto bytes = Header(false);
    for (auto& n : names)
        bytes.insert(bytes.end(), n.c_str(), n.c_str() + n.size() + 1);
    bytes.push_back(0);
    return bytes;
}

struct Target {
    FileDropTarget* t;
    explicit Target(GuiBase* owner) : t(new FileDropTarget(owner, 4321)) { t->AddRef(); }
    ~Target() { t->Release(); }
};

HRESULT DropOn(FileDropTarget* t, FileDropData& data, DWORD* effect)
{
    POINTL at = {10, 10};
    *effect = DROPEFFECT_MOVE;
    t->DragEnter(&data, 0, at, effect);
    return t->Drop(&data, 0, at, effect);
}

int Count(const std::vector<int>& v, int value)
{
    int n = 0;
    for (int x : v)
        n += x == value;
    return n;
}

} // namespace

TEST_CASE("a drop of three wide or ANSI names posts one command with the paths in order")
{
    TestForm main;
    Target target(&main);
    FileDropData data;
    DWORD effect = 0;
    data.block = WideBlock({L"C:\\a\\first.txt", L"C:\\b\\zażółć.txt", L"D:\\third"});
    CHECK(DropOn(target.t, data, &effect) == S_OK);
    CHECK(effect == DROPEFFECT_COPY);
    CHECK(target.t->dragOver == 0);
    CHECK(data.counter.releases == 1);
    Pump();
    CHECK(Count(main.commands, 4321) == 1);
    REQUIRE(target.t->files.Count() == 3);
    CHECK(target.t->files.At(0).Equals(L"C:\\a\\first.txt"));
    CHECK(target.t->files.At(1).Equals(L"C:\\b\\zażółć.txt"));
    CHECK(target.t->files.At(2).Equals(L"D:\\third"));

    data.block = AnsiBlock({"C:\\x.txt", "C:\\y\\z.txt", "E:\\w"});
    CHECK(DropOn(target.t, data, &effect) == S_OK);
    Pump();
    CHECK(Count(main.commands, 4321) == 2);
    REQUIRE(target.t->files.Count() == 3);
    CHECK(target.t->files.At(0).Equals(L"C:\\x.txt"));
    CHECK(target.t->files.At(2).Equals(L"E:\\w"));
}

TEST_CASE("a malformed or foreign drop is ignored: no command, list kept, medium released")
{
    TestForm main;
    Target target(&main);
    FileDropData data;
    DWORD effect = 0;
    data.block = WideBlock({L"C:\\kept.txt"});
    DropOn(target.t, data, &effect);
    Pump();
    main.commands.clear();
    int releases = data.counter.releases;

    std::vector<std::vector<unsigned char>> bad;
    // Names run to the end of the block without the closing empty name.
    auto truncated = WideBlock({L"C:\\a.txt", L"C:\\b.txt"});
    truncated.resize(truncated.size() - 2);
    bad.push_back(truncated);
    auto truncatedAnsi = AnsiBlock({"C:\\a.txt"});
    truncatedAnsi.resize(truncatedAnsi.size() - 2);
    bad.push_back(truncatedAnsi);
    // The offset points far past the block, or into its header.
    auto beyond = WideBlock({L"C:\\a.txt"});
    reinterpret_cast<DROPFILES*>(beyond.data())->pFiles = 0x7FFF0000;
    bad.push_back(beyond);
    auto inside = WideBlock({L"C:\\a.txt"});
    reinterpret_cast<DROPFILES*>(inside.data())->pFiles = 4;
    bad.push_back(inside);
    // Shorter than the header itself.
    bad.push_back(std::vector<unsigned char>(10, 0));

    for (size_t i = 0; i < bad.size(); i++) {
        CAPTURE(i);
        data.block = bad[i];
        CHECK(DropOn(target.t, data, &effect) == S_OK);
        CHECK(effect == DROPEFFECT_COPY);
        CHECK(data.counter.releases == ++releases);
        Pump();
        CHECK(main.commands.empty());
        REQUIRE(target.t->files.Count() == 1);
        CHECK(target.t->files.At(0).Equals(L"C:\\kept.txt"));
    }

    FileDropData textOnly;
    textOnly.hasFiles = false;
    CHECK(DropOn(target.t, textOnly, &effect) == DV_E_FORMATETC);
    CHECK(textOnly.counter.releases == 0);
    CHECK(target.t->dragOver == 0);
    Pump();
    CHECK(main.commands.empty());
    CHECK(target.t->files.At(0).Equals(L"C:\\kept.txt"));
}

TEST_CASE("the drop target counts its references and answers only its interfaces")
{
    OleInitialize(nullptr);
    TestForm main;
    Target target(&main);
    CHECK(target.t->references == 1);
    CHECK(target.t->QueryInterface(IID_IDropTarget, nullptr) == E_INVALIDARG);
    CHECK(target.t->references == 1);
    void* out = reinterpret_cast<void*>(1);
    CHECK(target.t->QueryInterface(IID_IDataObject, &out) == E_NOINTERFACE);
    CHECK(out == nullptr);
    CHECK(target.t->QueryInterface(IID_IUnknown, &out) == S_OK);
    CHECK(out == static_cast<IDropTarget*>(target.t));
    CHECK(target.t->references == 2);
    target.t->Release();
    CHECK(target.t->QueryInterface(IID_IDropTarget, &out) == S_OK);
    CHECK(target.t->Release() == 1);

    DWORD effect = DROPEFFECT_NONE;
    POINTL at = {0, 0};
    CHECK(target.t->DragEnter(nullptr, 0, at, &effect) == S_OK);
    CHECK(target.t->dragOver == 1);
    effect = DROPEFFECT_MOVE;
    CHECK(target.t->DragOver(MK_SHIFT, at, &effect) == S_OK);
    CHECK(effect == DROPEFFECT_COPY);
    CHECK(target.t->DragLeave() == S_OK);
    CHECK(target.t->dragOver == 0);

    CHECK(RegisterDragDrop(main.hwnd, target.t) == S_OK);
    CHECK(target.t->references > 1);
    CHECK(RevokeDragDrop(main.hwnd) == S_OK);
    CHECK(target.t->references == 1);
    OleUninitialize();
}

TEST_CASE("a well-formed drop block has its header and a list ended by an empty name")
{
    auto ok = WideBlock({L"C:\\a"});
    CHECK(IsWellFormedDropBlock(ok.data(), ok.size()));
    CHECK(!IsWellFormedDropBlock(ok.data(), ok.size() - 1));
    auto empty = WideBlock({});
    CHECK(IsWellFormedDropBlock(empty.data(), empty.size()));
    auto ansi = AnsiBlock({"a", "b"});
    CHECK(IsWellFormedDropBlock(ansi.data(), ansi.size()));
    CHECK(!IsWellFormedDropBlock(ansi.data(), ansi.size() - 1));
    // A wide name whose units have a zero byte is not an end.
    auto wide = Header(true);
    for (unsigned char b : {0x41, 0x00, 0x00, 0x01, 0x00, 0x00})
        wide.push_back(b);
    CHECK(!IsWellFormedDropBlock(wide.data(), wide.size()));
    wide.push_back(0);
    wide.push_back(0);
    CHECK(IsWellFormedDropBlock(wide.data(), wide.size()));
    CHECK(!IsWellFormedDropBlock(nullptr, 100));
}
