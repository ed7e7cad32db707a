#include "helpviewer/HelpMarkup.h"

#include "base/Array.h"
#include "base/Error.h"
#include "helpviewer/HelpChars.h"
#include "helpviewer/HelpErrors.h"

#include <cwchar>
#include <new>

const wchar_t kUnexpectedClosingTag[] = L"Unexpected closing tag";
const wchar_t kMissingAttributeValue[] = L"Brak warto\u015Bci dla atrybutu";
const wchar_t kUnquotedAttribute[] = L"Atrybut bez cudzys\u0142ow\u00F3w";
const wchar_t kMissingApostrophe[] = L"Brak '";
const wchar_t kMissingQuotation[] = L"Brak \"";
const wchar_t kMissingTagEnd[] = L"Brak zamykaj\u0105cego >";
const wchar_t kNestingTooDeep[] = L"Zbyt g\u0142\u0119bokie zagnie\u017Cd\u017Cenie znacznik\u00F3w";

namespace {

// Element names that take content; every other name is an empty element.
const wchar_t* const kContentNames[] = {
    L"a",  L"title", L"section", L"b",     L"strong", L"i",    L"em",   L"u",   L"big",
    L"small", L"sup", L"sub",    L"indent", L"indent2", L"link", L"font", L"red", L"blue",
    L"green", L"p",   L"item",   L"ol",    L"ul",     L"li",   L"ignore", L"div", L"span",
    L"h1", L"h2", L"h3", L"h4", L"h5", L"h6", L"code",
};

bool IsSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

bool IsNameEnd(wchar_t c)
{
    return IsSpace(c) || c == L'"' || c == L'\'' || c == L'<' || c == L'>' || c == L'=';
}

bool IsValueEnd(wchar_t c)
{
    return c == L'>' || c == L'\r' || c == L'\n';
}

bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsNamed(const wchar_t* text, const HelpNode* node, const wchar_t* name)
{
    int64 length = static_cast<int64>(wcslen(name));
    return node->length == length && HelpEqualsNoCase(text + node->start, node->length, name, length);
}

bool TakesContent(const wchar_t* text, const HelpNode* element)
{
    int64 length = element->length;
    if (length == 0 || length > 7)
        return false;
    // Only an ASCII first letter can rule a name out cheaply: other
    // characters may lower-case to ASCII ones.
    wchar_t first = text[element->start];
    if (first >= L'A' && first <= L'Z')
        first = static_cast<wchar_t>(first + 32);
    for (const wchar_t* name : kContentNames) {
        if ((first < 0x80 && name[0] != first) || static_cast<int64>(wcslen(name)) != length)
            continue;
        if (HelpEqualsNoCase(text + element->start, length, name, length))
            return true;
    }
    return false;
}

void ReverseList(HelpNode*& first)
{
    HelpNode* reversed = nullptr;
    HelpNode* node = first;
    while (node) {
        HelpNode* next = node->next;
        node->next = reversed;
        reversed = node;
        node = next;
    }
    first = reversed;
}

class Parser {
public:
    Parser(const wchar_t* text, int32 length, MarkupErrorList& errors) : t_(text), n_(length), errors_(errors) {}

    void Run(HelpNode* root);

private:
    // An open element taking content, and where its pending text run began.
    struct Open {
        HelpNode* element;
        int32 runStart;
    };

    HelpNode* NewNode(int32 kind, HelpNode* parent, int32 start, int32 length);
    void SkipSpace()
    {
        while (pos_ < n_ && IsSpace(t_[pos_]))
            pos_++;
    }
    void SkipPast(wchar_t c)
    {
        while (pos_ < n_ && t_[pos_] != c)
            pos_++;
        if (pos_ < n_)
            pos_++;
    }
    void EndRun(HelpNode* element, int32 from, int32 to)
    {
        if (to > from)
            NewNode(HelpNode::kText, element, from, to - from);
    }
    void ParseElement(HelpNode* parent);
    void ParseAttributes(HelpNode* element);
    bool ClosesAt(const HelpNode* element, int32 at);
    void Entity(HelpNode* element, int32 at);
    void Close();

    const wchar_t* t_;
    int32 n_;
    MarkupErrorList& errors_;
    int32 pos_ = 0;
    // invariant: stack_[0] is the root; every other entry is an element that
    // takes content, each the newest child of the one below it
    PodArray<Open> stack_;
};

HelpNode* Parser::NewNode(int32 kind, HelpNode* parent, int32 start, int32 length)
{
    auto node = new (std::nothrow) HelpNode;
    if (!node)
        throw MemoryError();
    node->kind = kind;
    node->start = start;
    node->length = length;
    node->parent = parent;
    // New nodes go to the head; each list is reversed once it is complete.
    HelpNode*& head = kind == HelpNode::kAttribute ? parent->firstAttribute : parent->firstChild;
    node->next = head;
    head = node;
    return node;
}

void Parser::Run(HelpNode* root)
{
    stack_.Insert(0, Open{root, 0});
    for (;;) {
        Open& top = stack_.At(stack_.Count() - 1);
        if (stack_.Count() == 1) {
            // Text outside elements is not kept.
            const wchar_t* lt = pos_ < n_ ? wmemchr(t_ + pos_, L'<', static_cast<size_t>(n_ - pos_)) : nullptr;
            if (!lt)
                break;
            pos_ = static_cast<int32>(lt - t_);
            ParseElement(root);
            continue;
        }
        int32 i = pos_;
        while (i < n_ && t_[i] != L'<' && t_[i] != L'&')
            i++;
        HelpNode* element = top.element;
        EndRun(element, top.runStart, i);
        pos_ = i;
        if (i == n_)
            break;
        if (t_[i] == L'<') {
            if (ClosesAt(element, i)) {
                Close();
            } else {
                int64 depth = stack_.Count();
                ParseElement(element);
                if (stack_.Count() == depth)
                    stack_.At(depth - 1).runStart = pos_;
            }
        } else {
            Entity(element, i);
            stack_.At(stack_.Count() - 1).runStart = pos_;
        }
    }
    // A missing closing tag is not reported: what is open ends here.
    while (stack_.Count() > 1)
        Close();
    ReverseList(root->firstChild);
}

void Parser::ParseElement(HelpNode* parent)
{
    pos_++;
    SkipSpace();
    int32 nameStart = pos_;
    while (pos_ < n_ && !IsNameEnd(t_[pos_]))
        pos_++;
    int32 nameLength = pos_ - nameStart;
    if (nameLength > 0 && t_[nameStart] == L'/') {
        errors_.Add(nameStart, kUnexpectedClosingTag);
        SkipPast(L'>');
        return;
    }
    HelpNode* element = NewNode(HelpNode::kElement, parent, nameStart, nameLength);
    SkipSpace();
    ParseAttributes(element);
    if (pos_ < n_ && t_[pos_] == L'>')
        pos_++;
    ReverseList(element->firstAttribute);
    if (!TakesContent(t_, element))
        return;
    if (stack_.Count() - 1 >= kMaxMarkupDepth) {
        errors_.Add(nameStart, kNestingTooDeep);
        stack_.Insert(stack_.Count(), Open{element, pos_});
        Close();  // closed at once: it takes no content
        stack_.At(stack_.Count() - 1).runStart = pos_;
        return;
    }
    stack_.Insert(stack_.Count(), Open{element, pos_});
}

void Parser::ParseAttributes(HelpNode* element)
{
    while (pos_ < n_ && t_[pos_] != L'>') {
        int32 nameStart = pos_;
        while (pos_ < n_ && !IsNameEnd(t_[pos_]))
            pos_++;
        HelpNode* attribute = NewNode(HelpNode::kAttribute, element, nameStart, pos_ - nameStart);
        SkipSpace();
        if (pos_ < n_ && t_[pos_] == L'=') {
            pos_++;
            SkipSpace();
            wchar_t quote = pos_ < n_ ? t_[pos_] : 0;
            if (quote == L'\'' || quote == L'"') {
                int32 valueStart = ++pos_;
                while (pos_ < n_ && t_[pos_] != quote && !IsValueEnd(t_[pos_]))
                    pos_++;
                NewNode(HelpNode::kText, attribute, valueStart, pos_ - valueStart);
                if (pos_ < n_ && t_[pos_] == quote)
                    pos_++;
                else
                    errors_.Add(valueStart, quote == L'\'' ? kMissingApostrophe : kMissingQuotation);
            } else {
                errors_.Add(pos_, kUnquotedAttribute);
                while (pos_ < n_ && !IsValueEnd(t_[pos_]))
                    pos_++;
            }
        } else {
            errors_.Add(pos_, kMissingAttributeValue);
            // Whatever stands there is stepped over; at the end there is nothing.
            if (pos_ < n_)
                pos_++;
        }
        SkipSpace();
    }
    if (pos_ >= n_)
        errors_.Add(pos_, kMissingTagEnd);
}

bool Parser::ClosesAt(const HelpNode* element, int32 at)
{
    int32 j = at + 1;
    while (j < n_ && IsSpace(t_[j]))
        j++;
    if (j >= n_ || t_[j] != L'/')
        return false;
    int32 nameStart = ++j;
    while (j < n_ && !IsNameEnd(t_[j]))
        j++;
    if (j - nameStart != element->length ||
        !HelpEqualsNoCase(t_ + nameStart, j - nameStart, t_ + element->start, element->length))
        return false;
    pos_ = j;
    SkipPast(L'>');
    return true;
}

void Parser::Entity(HelpNode* element, int32 at)
{
    if (at + 1 >= n_) {
        pos_ = n_;  // a final "&" has nothing to stand for
        return;
    }
    if (!IsAsciiLetter(t_[at + 1])) {
        // "&<" stands for "<", "&&" for "&".
        NewNode(HelpNode::kText, element, at + 1, 1);
        pos_ = at + 2;
        return;
    }
    int32 j = at + 1;
    while (j < n_ && t_[j] != L';' && t_[j] != L'<')
        j++;
    if (j < n_ && t_[j] == L';') {
        NewNode(HelpNode::kEntity, element, at + 1, j - at - 1);
        pos_ = j + 1;
    } else {
        pos_ = j;  // no ";" before the next "<": dropped
    }
}

// Ends the innermost open element: its content list is complete. An
// "ignore" element then leaves its parent with all it holds.
void Parser::Close()
{
    HelpNode* element = stack_.At(stack_.Count() - 1).element;
    stack_.RemoveAt(stack_.Count() - 1);
    ReverseList(element->firstChild);
    Open& parent = stack_.At(stack_.Count() - 1);
    parent.runStart = pos_;
    if (IsNamed(t_, element, L"ignore")) {
        parent.element->firstChild = element->next;
        element->next = nullptr;
        FreeHelpNodes(element);
    }
}

}  // namespace

HelpNode* ParseHelpMarkup(const wchar_t* text, int64 length, MarkupErrorList& errors)
{
    errors.Reset(text, length);
    auto root = new (std::nothrow) HelpNode;
    if (!root)
        throw MemoryError();
    root->kind = HelpNode::kRoot;
    try {
        Parser parser(text, AsInt(length), errors);
        parser.Run(root);
    } catch (...) {
        FreeHelpNodes(root);
        throw;
    }
    return root;
}

void FreeHelpNodes(HelpNode* node) noexcept
{
    // Rotating each node's first attribute or child up into the sibling
    // chain flattens the tree as it is freed: no stack, no recursion.
    while (node) {
        HelpNode* left = node->firstAttribute;
        if (left) {
            node->firstAttribute = left->next;
            left->next = node;
            node = left;
            continue;
        }
        left = node->firstChild;
        if (left) {
            node->firstChild = left->next;
            left->next = node;
            node = left;
            continue;
        }
        HelpNode* next = node->next;
        delete node;
        node = next;
    }
}

HelpNode* NextHelpNode(const HelpNode* node, const HelpNode* root)
{
    if (node->firstAttribute)
        return node->firstAttribute;
    if (node->firstChild)
        return node->firstChild;
    while (node && node != root) {
        if (node->next)
            return node->next;
        const HelpNode* parent = node->parent;
        // After an element's last attribute come its children.
        if (node->kind == HelpNode::kAttribute && parent && parent->firstChild)
            return parent->firstChild;
        node = parent;
    }
    return nullptr;
}

bool IsElementNamed(const HelpNode* node, const wchar_t* text, const wchar_t* name, int64 nameLength)
{
    return node && node->kind == HelpNode::kElement &&
           HelpEqualsNoCase(text + node->start, node->length, name, nameLength);
}

HelpNode* FindAttribute(const HelpNode* element, const wchar_t* text, const wchar_t* name, int64 nameLength)
{
    for (HelpNode* a = element->firstAttribute; a; a = a->next)
        if (HelpEqualsNoCase(text + a->start, a->length, name, nameLength))
            return a;
    return nullptr;
}
