// The shipped help (help.ruvo built from resources/help) against the editor
// as it is: every topic the editor can send opens a section, the reading
// order walks every page once, links and pictures are there, and every
// button, menu item and key the manual names in bold exists in the Polish
// interface. The topics and texts are read from the editor itself (its
// menus, accelerators, windows and the dialog definitions in its sources),
// so a new dialog or command without help fails here.

#include "MainFormTestSupport.h"

#include "actions/ActionBroker.h"
#include "editor/Statusbar.h"
#include "gui/EditLine.h"
#include "gui/Gdi.h"
#include "gui/Toolbar.h"
#include "helpviewer/HelpDocument.h"
#include "helpviewer/HelpMarkup.h"
#include "helpviewer/Images.h"
#include "spell/SpellCheckDialog.h"
#include "support/Pump.h"
#include "support/Screenshot.h"
#include "view/TextView.h"

#include <doctest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kSourceDir = SCRIVEL_SOURCE_DIR;
const wchar_t* const kHelpFile = L"" SCRIVEL_HELP_FILE;

std::string Narrow(const std::wstring& s)
{
    std::string out;
    for (wchar_t c : s)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

std::wstring FromUtf8(const std::string& s)
{
    if (s.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
    return out;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// The .cpp and .h files under a folder of the source tree, recursively.
void ListSources(const std::string& folder, std::vector<std::string>& out)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "/*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string path = folder + "/" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListSources(path, out);
        else if (name.size() > 2 && (name.substr(name.size() - 2) == ".h" || name.substr(name.size() - 4) == ".cpp"))
            out.push_back(path);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

std::vector<std::string> Sources(std::initializer_list<const char*> folders)
{
    std::vector<std::string> files;
    for (const char* f : folders)
        ListSources(std::string(kSourceDir) + "/" + f, files);
    return files;
}

// An interface text as the manual writes it: no "&" marks, no shortcut after
// a tab, no "..." or ":" at the end, single spaces.
std::wstring Normal(const std::wstring& text)
{
    std::wstring s;
    for (size_t i = 0; i < text.size(); i++) {
        wchar_t c = text[i];
        if (c == L'\t')
            break;
        if (c == L'&') {
            if (i + 1 < text.size() && text[i + 1] == L'&')
                s += text[++i];
            continue;
        }
        if (c == L'\n' || c == L'\r')
            c = L' ';
        if (c == L' ' && (s.empty() || s.back() == L' '))
            continue;
        s += c;
    }
    for (;;) {
        while (!s.empty() && s.back() == L' ')
            s.pop_back();
        if (s.size() >= 3 && s.compare(s.size() - 3, 3, L"...") == 0)
            s.resize(s.size() - 3);
        else if (!s.empty() && s.back() == L':')
            s.pop_back();
        else
            break;
    }
    return s;
}

// ---- keys ----

struct Key {
    UINT vk = 0;
    uint32_t modifiers = 0;  // 1 Shift, 2 Ctrl, 4 Alt
    bool operator<(const Key& o) const { return vk != o.vk ? vk < o.vk : modifiers < o.modifiers; }
};

const std::map<std::wstring, UINT>& KeyNames()
{
    static const std::map<std::wstring, UINT> names = {
        {L"Esc", VK_ESCAPE},    {L"Enter", VK_RETURN},   {L"Tab", VK_TAB},       {L"Backspace", VK_BACK},
        {L"Insert", VK_INSERT}, {L"Delete", VK_DELETE},  {L"Home", VK_HOME},     {L"End", VK_END},
        {L"PageUp", VK_PRIOR},  {L"PageDown", VK_NEXT},  {L"Left", VK_LEFT},     {L"Right", VK_RIGHT},
        {L"Up", VK_UP},         {L"Down", VK_DOWN},      {L"=", VK_OEM_PLUS},    {L"-", VK_OEM_MINUS},
        {L"Spacja", VK_SPACE},
    };
    return names;
}

// "Ctrl+Shift+F3" and the like; false when the text is no key.
bool ParseKey(const std::wstring& text, Key& key)
{
    key = Key();
    size_t start = 0;
    for (;;) {
        size_t plus = text.find(L'+', start);
        // A "+" at the very end or a "-" alone is the key itself.
        if (plus == std::wstring::npos || plus + 1 == text.size()) {
            std::wstring name = text.substr(start);
            if (name.size() == 1 && ((name[0] >= L'A' && name[0] <= L'Z') || (name[0] >= L'0' && name[0] <= L'9'))) {
                key.vk = name[0];
                return true;
            }
            if (name.size() >= 2 && name[0] == L'F' && name.size() <= 3 && iswdigit(name[1])) {
                int n = std::stoi(name.substr(1));
                if (n < 1 || n > 12)
                    return false;
                key.vk = static_cast<UINT>(VK_F1 + n - 1);
                return true;
            }
            auto found = KeyNames().find(name);
            if (found == KeyNames().end())
                return false;
            key.vk = found->second;
            return true;
        }
        std::wstring modifier = text.substr(start, plus - start);
        if (modifier == L"Shift")
            key.modifiers |= 1;
        else if (modifier == L"Ctrl")
            key.modifiers |= 2;
        else if (modifier == L"Alt")
            key.modifiers |= 4;
        else
            return false;
        start = plus + 1;
    }
}

// ---- the editor's own definitions ----

// Menu items (command id, text) and pop-up titles of a menu, recursively.
void WalkMenu(HMENU menu, std::vector<std::pair<uint32_t, std::wstring>>& items)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; i++) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_FTYPE;
        info.dwTypeData = text;
        info.cch = 255;
        REQUIRE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
        if (info.fType & MFT_SEPARATOR)
            continue;
        items.push_back({info.hSubMenu ? 0u : info.wID, text});
        if (info.hSubMenu)
            WalkMenu(info.hSubMenu, items);
    }
}

std::vector<std::pair<uint32_t, std::wstring>> PolishMenuItems()
{
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(10001));
    REQUIRE(menu != nullptr);
    std::vector<std::pair<uint32_t, std::wstring>> items;
    WalkMenu(menu, items);
    DestroyMenu(menu);
    return items;
}

// The dialog ids of the editor's sources: the id passed to a dialog's
// Create(owner, style, id, title), and every "...DialogId = n".
std::set<int32> SourceDialogIds()
{
    std::vector<std::string> files = Sources({"editor", "spell", "gui", "actions"});
    std::map<std::string, std::string> text;
    for (const std::string& f : files)
        text[f] = ReadText(f);
    // A dialog's own Create (bare, through an object, or Dialog::Create)
    // whose third argument is a number or a constant named as an id.
    std::regex create(R"((?:^|[\s.>]|Dialog::)Create\(\s*[A-Za-z_]\w*\s*,\s*[\w| ]+,\s*(\d+|[\w:]*Id\w*)\s*,)");
    std::regex named(R"(\b(\w*DialogId\w*)\s*=\s*(\d+))");
    std::set<int32> ids;
    for (const auto& [file, body] : text) {
        for (std::sregex_iterator m(body.begin(), body.end(), named), end; m != end; ++m)
            ids.insert(std::stoi((*m)[2]));
        for (std::sregex_iterator m(body.begin(), body.end(), create), end; m != end; ++m) {
            std::string id = (*m)[1];
            if (std::isdigit(static_cast<unsigned char>(id[0]))) {
                ids.insert(std::stoi(id));
                continue;
            }
            id = id.substr(id.rfind(':') == std::string::npos ? 0 : id.rfind(':') + 1);
            // The constant in this file, its header, or anywhere else.
            std::regex value("\\b" + id + R"(\s*=\s*(\d+))");
            std::string header = file.substr(0, file.rfind('.')) + ".h";
            std::smatch v;
            bool found = std::regex_search(body, v, value) ||
                         (text.count(header) && std::regex_search(text[header], v, value));
            for (auto other = text.begin(); !found && other != text.end(); ++other)
                found = std::regex_search(other->second, v, value);
            INFO(file << ": dialog id " << id);
            CHECK(found);
            if (found)
                ids.insert(std::stoi(v[1]));
        }
    }
    return ids;
}

// Every wide string literal of the programs' sources (adjacent literals
// joined), and the quoted texts of the viewer's resource script.
std::set<std::wstring> SourceTexts()
{
    std::set<std::wstring> texts;
    for (const std::string& file : Sources({"editor", "spell", "gui", "actions", "view", "text", "helpviewer"})) {
        std::string body = ReadText(file);
        std::string current;
        bool open = false;
        size_t i = 0;
        while (i < body.size()) {
            if (body.compare(i, 2, "L\"") == 0 && (i == 0 || !(std::isalnum(static_cast<unsigned char>(body[i - 1])) || body[i - 1] == '_'))) {
                i += 2;
                std::string literal;
                while (i < body.size() && body[i] != '"') {
                    if (body.compare(i, 2, "\\u") == 0 && i + 6 <= body.size()) {
                        // A character written by its code: kept as UTF-8.
                        wchar_t unit = static_cast<wchar_t>(std::stoi(body.substr(i + 2, 4), nullptr, 16));
                        char bytes[8] = {};
                        int n = WideCharToMultiByte(CP_UTF8, 0, &unit, 1, bytes, 8, nullptr, nullptr);
                        literal.append(bytes, static_cast<size_t>(n));
                        i += 6;
                    } else if (body[i] == '\\' && i + 1 < body.size()) {
                        char e = body[i + 1];
                        literal += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                        i += 2;
                    } else {
                        literal += body[i++];
                    }
                }
                i++;
                current = open ? current + literal : literal;
                open = true;
                continue;
            }
            if (open && !std::isspace(static_cast<unsigned char>(body[i]))) {
                std::wstring text = FromUtf8(current);
                texts.insert(Normal(text));
                // An alert's single button: "+OK", "-Cancel".
                if (!text.empty() && (text[0] == L'+' || text[0] == L'-'))
                    texts.insert(Normal(text.substr(1)));
                // An alert's buttons: "+First|Second|-Cancel".
                if (text.find(L'|') != std::wstring::npos) {
                    std::wstringstream parts(text);
                    for (std::wstring part; std::getline(parts, part, L'|');)
                        texts.insert(Normal(part.substr(!part.empty() && (part[0] == L'+' || part[0] == L'-'))));
                }
                open = false;
            }
            i++;
        }
    }
    std::string rc = ReadText(std::string(kSourceDir) + "/resources/guidora.rc");
    std::regex quoted("\"([^\"]*)\"");
    for (std::sregex_iterator m(rc.begin(), rc.end(), quoted), end; m != end; ++m)
        texts.insert(Normal(FromUtf8((*m)[1])));
    return texts;
}

// The viewer's accelerators from its resource script.
std::set<Key> ViewerKeys()
{
    std::set<Key> keys;
    std::string rc = ReadText(std::string(kSourceDir) + "/resources/guidora.rc");
    std::regex line(R"re(^\s*("(\w)"|VK_(\w+))\s*,\s*\d+\s*,\s*VIRTKEY([^\r\n]*))re");
    for (std::sregex_iterator m(rc.begin(), rc.end(), line, std::regex_constants::match_not_null), end; m != end;
         ++m) {
        Key key;
        std::string letter = (*m)[2], vk = (*m)[3], rest = (*m)[4];
        if (!letter.empty())
            key.vk = static_cast<UINT>(letter[0]);
        else if (vk == "ESCAPE")
            key.vk = VK_ESCAPE;
        else if (vk.size() >= 2 && vk[0] == 'F')
            key.vk = static_cast<UINT>(VK_F1 + std::stoi(vk.substr(1)) - 1);
        if (rest.find("SHIFT") != std::string::npos)
            key.modifiers |= 1;
        if (rest.find("CONTROL") != std::string::npos)
            key.modifiers |= 2;
        if (rest.find("ALT") != std::string::npos)
            key.modifiers |= 4;
        if (key.vk)
            keys.insert(key);
    }
    return keys;
}

// ---- the manual ----

struct Manual {
    HelpDocument document;
    Manual() { document.Load(String(kHelpFile)); }
    const wchar_t* Text() const { return document.Markup().Data(); }
    std::wstring Of(const HelpNode* node) const
    {
        return std::wstring(Text() + node->start, static_cast<size_t>(node->length));
    }
    // An attribute's value, or empty.
    std::wstring Attribute(const HelpNode* element, const wchar_t* name) const
    {
        const HelpNode* a = FindAttribute(element, Text(), name, static_cast<int64>(wcslen(name)));
        return a && a->firstChild && a->firstChild->kind == HelpNode::kText ? Of(a->firstChild) : std::wstring();
    }
    bool Named(const HelpNode* node, const wchar_t* name) const
    {
        return IsElementNamed(node, Text(), name, static_cast<int64>(wcslen(name)));
    }
    // The text of an element's content with the entities the viewer knows.
    std::wstring Content(const HelpNode* element) const
    {
        std::wstring s;
        for (const HelpNode* n = element->firstChild; n; n = NextHelpNode(n, element)) {
            if (n->kind == HelpNode::kText)
                s += Of(n);
            else if (n->kind == HelpNode::kEntity) {
                std::wstring e = Of(n);
                s += e == L"lt" ? L"<" : e == L"gt" ? L">" : e == L"amp" ? L"&" : L"&" + e + L";";
            }
        }
        return s;
    }
    bool Resolves(const std::wstring& id) const
    {
        return document.Resolve(id.c_str(), static_cast<int64>(id.size())) != nullptr;
    }
    // The link target of an element, or empty when it is no link.
    std::wstring LinkTarget(const HelpNode* node) const
    {
        if (Named(node, L"link"))
            return Attribute(node, L"to");
        if (Named(node, L"a")) {
            std::wstring href = Attribute(node, L"href");
            return !href.empty() && href[0] == L'#' ? href.substr(1) : href;
        }
        return std::wstring();
    }
};

const Manual& TheManual()
{
    static Manual manual;
    return manual;
}

// Every element below a node, in document order.
template <class F>
void ForEachElement(const Manual& manual, const HelpNode* from, F f)
{
    for (const HelpNode* n = from->firstChild; n; n = NextHelpNode(n, from))
        if (n->kind == HelpNode::kElement)
            f(n);
    (void)manual;
}

// The Polish main window with a text, the find bar, both views and the
// status bar shown.
struct PolishWindow {
    explicit PolishWindow(int width = 1000)
        : editor("UILanguage=polski\r\nWindowRect=20,20," + std::to_string(width) + ",640\r\n")
    {
        ShowWindow(editor.run.Hwnd(), SW_SHOWNORMAL);
        editor.Open(L"przyklad.txt", "Zażółć gęślą jaźń\r\nDrugi wiersz tekstu.\r\n");
        RunCommand(Form(), 11017);
        Pump();
        UpdateWindow(editor.run.Hwnd());
    }
    MainForm& Form() { return editor.Form(); }
    HiddenEditor editor;
};

}  // namespace

TEST_CASE("every help topic the editor can send opens a section of the shipped help")
{
    const Manual& manual = TheManual();
    REQUIRE(manual.document.Errors().Count() == 0);
    std::map<int32, std::string> topics;  // id -> where it comes from
    topics[0] = "Help command";

    for (const auto& item : PolishMenuItems())
        if (item.first)
            topics[static_cast<int32>(item.first)] = "menu item " + Narrow(item.second);
    int64 count = 0;
    const AcceleratorEntry* keys = AcceleratorList(&count);
    for (int64 i = 0; i < count; i++)
        topics[static_cast<int32>(keys[i].command)] = "accelerator";
    for (int32 id : SourceDialogIds())
        topics[id] = "dialog";
    for (int field = 1; field <= StatusFieldCount; field++)
        if (StatusFieldCommand(field))
            topics[StatusFieldCommand(field)] = "status bar field " + std::to_string(field);

    {
        PolishWindow window;
        MainForm& form = window.Form();
        RunCommand(form, 11064);
        Pump();
        // The help key over every part of the window, as WM_HELP asks for it.
        RECT r;
        GetWindowRect(form.hwnd, &r);
        for (LONG y = r.top; y < r.bottom; y += 3)
            for (LONG x = r.left; x < r.right; x += 3)
                if (int32 id = form.HelpTopicAt(POINT{x, y}))
                    topics[id] = "window part at " + std::to_string(x - r.left) + "," + std::to_string(y - r.top);
        for (int32 id : {12100, 12200, 12411, 12413, 12500})
            CHECK_MESSAGE(topics.count(id), "no part of the window answers " << id);

        // The view's context menu, with suggestions and without.
        Array<String> suggestions;
        for (int i = 0; i < 12; i++)
            suggestions.Insert(i, String(L"słowo"));
        for (bool selected : {false, true}) {
            if (selected)
                RunCommand(form, 11027);
            HMENU menu = CreatePopupMenu();
            BuildViewContextMenu(menu, form.activeView, suggestions);
            BuildViewContextMenu(menu, form.activeView, Array<String>());
            std::vector<std::pair<uint32_t, std::wstring>> items;
            WalkMenu(menu, items);
            DestroyMenu(menu);
            for (const auto& item : items)
                topics[static_cast<int32>(item.first)] = "view context menu";
        }

        // The spell-check window and its controls.
        SpellCheckDialog* spell = SpellCheckDialog::Create(&form);
        REQUIRE(spell != nullptr);
        topics[static_cast<int32>(spell->GetId())] = "spell-check window";
        EnumChildWindows(
            spell->hwnd,
            [](HWND child, LPARAM data) -> BOOL {
                int id = GetDlgCtrlID(child);
                if (id > 100)
                    (*reinterpret_cast<std::map<int32, std::string>*>(data))[id] = "spell-check window control";
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&topics));
        SpellCheckDialog::CloseInstance();
        Pump();
    }

    // What the issue of the manual named must all be among them.
    // The views and the splitter answer no id of their own under the mouse
    // (the help key over them asks for the contents); their ids have pages.
    for (int32 id : {12300, 12301, 12330})
        topics[id] = "view or splitter";
    for (int32 id : {12100, 20100, 20300, 20500, 20600, 20700, 20900, 21000, 22100, 22200, 13000, 13003, 13008, 22300,
                     22309, 98, 51, 11001, 11097})
        CHECK_MESSAGE(topics.count(id), "topic " << id << " was not found in the editor");
    for (const auto& [id, from] : topics) {
        std::wstring text = std::to_wstring(id);
        CHECK_MESSAGE(manual.Resolves(text), "no help section for topic " << id << " (" << from << ")");
    }
    MESSAGE(topics.size() << " topics checked");
}

TEST_CASE("the help's reading order walks every page once; links and pictures are there; the contents link every page")
{
    const Manual& manual = TheManual();
    const HelpDocument& document = manual.document;
    REQUIRE(document.Errors().Count() == 0);
    std::vector<std::wstring> pages;
    std::set<std::wstring> ids;
    for (const HelpNode* s = document.FirstSection(); s; s = document.NextSection(s)) {
        std::wstring id = W(document.SectionId(s));
        std::wstring folded = id;
        CharLowerBuffW(&folded[0], static_cast<DWORD>(folded.size()));
        CHECK_MESSAGE(ids.insert(folded).second, "two sections " << Narrow(id));
        bool nav = FindAttribute(s, manual.Text(), L"nav", 3) != nullptr;
        bool redirect = !manual.Attribute(s, L"redirect").empty();
        // A page of its own is in the reading order; a redirect is not.
        CHECK_MESSAGE(nav != redirect, "section " << Narrow(id) << ": nav " << nav << ", redirect " << redirect);
        if (redirect)
            CHECK_MESSAGE(manual.Resolves(id), "redirect " << Narrow(id) << " leads nowhere");
        if (nav)
            pages.push_back(id);
    }
    REQUIRE(pages.size() > 20);
    CHECK(Narrow(pages[0]) == "index");

    // Next page from the contents to the end, and Previous page back.
    std::vector<std::wstring> walked{pages[0]};
    for (size_t guard = 0; guard <= pages.size(); guard++) {
        const std::wstring& at = walked.back();
        String next = document.NextPage(at.c_str(), static_cast<int64>(at.size()));
        if (next.IsEmpty())
            break;
        String back = document.PreviousPage(next.Data(), next.Length());
        CHECK_MESSAGE(W(back) == at, "Previous page from " << Narrow(W(next)) << " is not " << Narrow(at));
        CHECK_MESSAGE(document.Resolve(next.Data(), next.Length()) != nullptr, Narrow(W(next)));
        walked.push_back(W(next));
    }
    CHECK(walked == pages);

    // Links lead to sections; pictures are members the viewer can draw.
    DeviceContext dc;
    dc.FromWindow(nullptr);
    std::set<std::wstring> fromIndex;
    const HelpNode* index = document.FindSection(L"index", 5);
    REQUIRE(index != nullptr);
    int pictures = 0;
    for (const HelpNode* s = document.FirstSection(); s; s = document.NextSection(s)) {
        std::string where = Narrow(W(document.SectionId(s)));
        ForEachElement(manual, s, [&](const HelpNode* e) {
            std::wstring target = manual.LinkTarget(e);
            if (manual.Named(e, L"a") || manual.Named(e, L"link")) {
                CHECK_MESSAGE(manual.Resolves(target), where << ": link to " << Narrow(target) << " leads nowhere");
                if (s == index)
                    fromIndex.insert(target);
            }
            std::wstring picture = manual.Named(e, L"img") ? manual.Attribute(e, L"src")
                                   : manual.Named(e, L"bmp") ? manual.Attribute(e, L"file")
                                                              : std::wstring();
            if (manual.Named(e, L"img") || manual.Named(e, L"bmp")) {
                GdiObj bitmap;
                bool alpha = false;
                LoadHelpImage(document, picture.c_str(), static_cast<int64>(picture.size()), dc, bitmap, alpha);
                BITMAP info{};
                GetObjectW(bitmap.Handle(), sizeof info, &info);
                CHECK_MESSAGE(info.bmWidth > 0, where << ": picture " << Narrow(picture));
                pictures++;
            }
        });
    }
    for (size_t i = 1; i < pages.size(); i++)
        CHECK_MESSAGE(fromIndex.count(pages[i]), "the contents do not link " << Narrow(pages[i]));
    CHECK(pictures >= 3);
}

TEST_CASE("every button, menu item and key the help names in bold exists in the Polish interface")
{
    const Manual& manual = TheManual();
    std::set<std::wstring> texts = SourceTexts();
    std::map<std::wstring, std::set<Key>> menuKeys;  // menu text -> its keys
    std::set<Key> keys = ViewerKeys();
    int64 count = 0;
    const AcceleratorEntry* entries = AcceleratorList(&count);
    std::map<uint32_t, std::set<Key>> commandKeys;
    for (int64 i = 0; i < count; i++) {
        Key key{entries[i].key, entries[i].modifiers};
        keys.insert(key);
        commandKeys[entries[i].command].insert(key);
    }
    keys.insert(Key{VK_F1, 0});
    for (const auto& [id, text] : PolishMenuItems()) {
        texts.insert(Normal(text));
        std::set<Key>& own = menuKeys[Normal(text)];
        own = commandKeys[id];
        size_t tab = text.find(L'\t');
        Key key;
        if (tab != std::wstring::npos && ParseKey(text.substr(tab + 1), key)) {
            keys.insert(key);
            own.insert(key);
        }
    }
    {
        PolishWindow window;
        for (Toolbar* bar : {window.Form().toolbar, window.Form().findToolbar, window.Form().replaceToolbar})
            for (int64 i = 0; i < bar->items.Count(); i++)
                texts.insert(Normal(W(bar->items.At(i).text)));
    }
    auto known = [&](const Key& key) {
        if (keys.count(key))
            return true;
        // The text view's own keys: moves, Insert and Delete.
        if (!(key.modifiers & 4) &&
            KeyDownActionCode(static_cast<int32>(key.vk), key.modifiers & 2, key.modifiers & 1, false) != -1)
            return true;
        return key.modifiers == 0 &&
               (key.vk == VK_ESCAPE || key.vk == VK_RETURN || key.vk == VK_TAB || key.vk == VK_BACK ||
                key.vk == VK_SPACE);
    };

    int named = 0;
    const HelpDocument& document = manual.document;
    for (const HelpNode* s = document.FirstSection(); s; s = document.NextSection(s)) {
        std::string where = Narrow(W(document.SectionId(s)));
        ForEachElement(manual, s, [&](const HelpNode* e) {
            if (manual.Named(e, L"b")) {
                std::wstring text = Normal(manual.Content(e));
                Key key;
                if (ParseKey(text, key))
                    CHECK_MESSAGE(known(key), where << ": no key " << Narrow(text));
                else
                    CHECK_MESSAGE(texts.count(text), where << ": the interface has no \"" << Narrow(text) << "\"");
                named++;
            }
            // A list item naming a menu item and a key: that key is the item's.
            if (manual.Named(e, L"li")) {
                std::vector<std::wstring> bold;
                for (const HelpNode* c = e->firstChild; c; c = c->next)
                    if (manual.Named(c, L"b"))
                        bold.push_back(Normal(manual.Content(c)));
                Key key;
                if (bold.size() == 2 && ParseKey(bold[0], key) && menuKeys.count(bold[1]))
                    CHECK_MESSAGE(menuKeys[bold[1]].count(key),
                                  where << ": " << Narrow(bold[0]) << " is not the key of " << Narrow(bold[1]));
            }
        });
    }
    CHECK(named > 100);
}

TEST_CASE("every window the help calls by its name is a window of the program with that title")
{
    const Manual& manual = TheManual();
    std::set<std::wstring> titles;
    const std::wstring suffix = L" - Scrivel";
    for (const std::wstring& text : SourceTexts())
        if (text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
            titles.insert(text.substr(0, text.size() - suffix.size()));
    REQUIRE(titles.count(L"Wybór znaku"));
    // "okno", "okna", "oknie", "oknem" right before a name in italics or a link.
    const std::wregex window(LR"((?:^|\s)[Oo]kn(?:o|a|ie|em)\s+$)");
    int named = 0;
    const HelpDocument& document = manual.document;
    for (const HelpNode* s = document.FirstSection(); s; s = document.NextSection(s)) {
        std::string where = Narrow(W(document.SectionId(s)));
        ForEachElement(manual, s, [&](const HelpNode* e) {
            const HelpNode* previous = nullptr;
            for (const HelpNode* c = e->firstChild; c; previous = c, c = c->next) {
                if (previous == nullptr || previous->kind != HelpNode::kText ||
                    !(manual.Named(c, L"i") || manual.Named(c, L"link") || manual.Named(c, L"a")) ||
                    !std::regex_search(manual.Of(previous), window))
                    continue;
                std::wstring name;
                for (const HelpNode* n = c->firstChild; n; n = n->next)
                    if (n->kind == HelpNode::kText)
                        name += manual.Of(n);
                name = Normal(name);
                // A lower-case name describes the window ("okno sprawdzania pisowni").
                if (name.empty() || !IsCharUpperW(name[0]))
                    continue;
                CHECK_MESSAGE(titles.count(name), where << ": no window is titled \"" << Narrow(name) << "\"");
                named++;
            }
        });
    }
    CHECK(named >= 10);
}

namespace {

// A part of the window's pixels with a white band below it, where each
// number is written under its x position (part's own coordinates).
PixelImage Numbered(const PixelImage& window, const RECT& part, const std::vector<std::pair<int, int>>& marks)
{
    int width = part.right - part.left, band = 18, height = part.bottom - part.top + band;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    auto* out = static_cast<uint32_t*>(bits);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            out[y * width + x] = y < part.bottom - part.top
                                     ? window.pixels[static_cast<size_t>(y + part.top) * window.width + x + part.left]
                                     : 0xFFFFFF;
    HFONT font = CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 128));
    for (const auto& [x, number] : marks) {
        std::wstring text = std::to_wstring(number);
        RECT r{x - 20, height - band, x + 20, height};
        DrawTextW(dc, text.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    GdiFlush();
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    PixelImage image = ReadBitmapPixels(bitmap);
    DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return image;
}

// A control's rectangle in its main window's client coordinates.
RECT InClient(HWND control, HWND main)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The numbers of a toolbar's buttons, counted on from next.
void MarkButtons(Toolbar* bar, HWND main, int left, std::vector<std::pair<int, int>>& marks, int& next)
{
    RECT r = InClient(bar->hwnd, main);
    for (int i = 0; i < static_cast<int>(bar->items.Count()); i++) {
        const ToolbarItem& item = bar->items.At(i);
        if (item.kind == ToolbarSeparator || item.kind == ToolbarBlank || item.advance <= 0)
            continue;
        marks.push_back({r.left - left + bar->ItemLeft(i) + item.advance / 2, next++});
    }
}

bool SaveHelpPicture(const PixelImage& image, const char* name)
{
    CreateDirectoryW(L"..\\screenshots", nullptr);
    CreateDirectoryW(L"..\\screenshots\\help", nullptr);
    return SavePng(image, (std::string("..\\screenshots\\help\\") + name).c_str());
}

}  // namespace

// The pictures of the help are these screenshots (scripts/help-pictures
// copies them into resources/help): the toolbar, both rows of the find bar
// and the status bar of the Polish window, numbered as the help lists them.
TEST_CASE("pictures of the toolbar, the find bar and the status bar for the help, numbered as it lists them")
{
    std::vector<std::pair<int, int>> marks;
    int next = 1;
    {
        // As wide as the viewer's page, so the pictures are shown unscaled.
        PolishWindow window(700);
        MainForm& form = window.Form();
        HWND main = form.hwnd;
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump();
        PixelImage pixels = ReadWindowPixels(main);
        REQUIRE(pixels.width > 0);
        RECT bar = InClient(form.toolbar->hwnd, main);
        MarkButtons(form.toolbar, main, bar.left, marks, next);
        CHECK(next - 1 == 22);
        CHECK(SaveHelpPicture(Numbered(pixels, bar, marks), "pasek-narzedzi.png"));

        RECT status = InClient(form.statusbar->hwnd, main);
        marks.clear();
        int left = 0;
        for (int i = 0; i < StatusFieldCount; i++) {
            if (form.statusbar->edges[i] - left > 4)
                marks.push_back({(left + form.statusbar->edges[i]) / 2, i + 1});
            left = form.statusbar->edges[i];
        }
        CHECK(marks.size() >= 6);
        CHECK(SaveHelpPicture(Numbered(pixels, status, marks), "pasek-statusowy.png"));
    }

    // The find bar needs a wider window to show all its buttons in one row;
    // its find part and its replace part make a picture each.
    PolishWindow window(1000);
    MainForm& form = window.Form();
    HWND main = form.hwnd;
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    PixelImage pixels = ReadWindowPixels(main);
    REQUIRE(pixels.width > 0);
    RECT f = InClient(form.findField->hwnd, main), b = InClient(form.findToolbar->hwnd, main);
    RECT g = InClient(form.replaceField->hwnd, main), c = InClient(form.replaceToolbar->hwnd, main);
    CHECK(g.top < f.bottom);
    LONG top = std::min({f.top, b.top, g.top, c.top}) - 2, bottom = std::max({f.bottom, b.bottom, g.bottom, c.bottom}) + 2;
    marks.clear();
    next = 1;
    marks.push_back({(f.left + f.right) / 2, next++});
    MarkButtons(form.findToolbar, main, 0, marks, next);
    CHECK(next - 1 == 8);
    CHECK(SaveHelpPicture(Numbered(pixels, RECT{0, top, b.right + 4, bottom}, marks), "pasek-szukania.png"));
    LONG split = b.right + 4;
    marks.clear();
    next = 1;
    marks.push_back({(g.left + g.right) / 2 - split, next++});
    MarkButtons(form.replaceToolbar, main, split, marks, next);
    CHECK(next - 1 == 5);
    CHECK(SaveHelpPicture(Numbered(pixels, RECT{split, top, c.right + 2, bottom}, marks), "pasek-zastepowania.png"));
}
