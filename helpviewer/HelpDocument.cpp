#include "helpviewer/HelpDocument.h"

#include "base/CharUtils.h"
#include "helpviewer/HelpChars.h"

#include <cwchar>

namespace {

int64 Measure(const wchar_t* text, int64 length)
{
    return length < 0 ? (text ? static_cast<int64>(wcslen(text)) : 0) : length;
}

}  // namespace

void HelpDocument::Load(const String& path)
{
    if (!markup_.IsEmpty())
        return;
    container_.Load(path);
    PodArray<u8> bytes = container_.Extract(L"help.html", -1);
    SetMarkup(Utf8ToString(bytes.Data(), bytes.Count() - 2));
}

void HelpDocument::SetMarkup(const String& text)
{
    FreeHelpNodes(root_);
    root_ = nullptr;
    markup_ = text;
    errors_.Reset(markup_.Data(), markup_.Length());
    if (!markup_.IsEmpty())
        root_ = ParseHelpMarkup(markup_.Data(), markup_.Length(), errors_);
}

bool HelpDocument::IsSection(const HelpNode* node) const
{
    return IsElementNamed(node, markup_.Data(), L"section", 7);
}

bool HelpDocument::AttributeValue(const HelpNode* element, const wchar_t* name, Text& value) const
{
    const HelpNode* attribute = FindAttribute(element, markup_.Data(), name, static_cast<int64>(wcslen(name)));
    if (!attribute || !attribute->firstChild || attribute->firstChild->kind != HelpNode::kText)
        return false;
    value = Text{markup_.Data() + attribute->firstChild->start, attribute->firstChild->length};
    return true;
}

HelpDocument::Text HelpDocument::IdOf(const HelpNode* section) const
{
    Text id{nullptr, 0};
    if (!AttributeValue(section, L"ctx", id))
        AttributeValue(section, L"id", id);
    return id;
}

bool HelpDocument::IdEquals(const HelpNode* section, const wchar_t* id, int64 length) const
{
    Text own = IdOf(section);
    return HelpEqualsNoCase(own.p, own.length, id, length);
}

String HelpDocument::Title() const
{
    if (root_)
        for (const HelpNode* node = root_->firstChild; node; node = node->next) {
            if (!IsElementNamed(node, markup_.Data(), L"title", 5))
                continue;
            const HelpNode* content = node->firstChild;
            if (content && content->kind == HelpNode::kText && !content->next)
                return String(markup_.Data() + content->start, content->length);
            break;
        }
    return String(L"Pomoc");
}

const HelpNode* HelpDocument::FindSection(const wchar_t* id, int64 length) const
{
    length = Measure(id, length);
    for (const HelpNode* s = FirstSection(); s; s = NextSection(s))
        if (IdEquals(s, id, length))
            return s;
    return nullptr;
}

const HelpNode* HelpDocument::Resolve(const wchar_t* id, int64 length) const
{
    length = Measure(id, length);
    int64 sections = 0;
    for (const HelpNode* s = FirstSection(); s; s = NextSection(s))
        sections++;
    // A chain of more steps than there are sections has met one twice.
    for (int64 steps = 0; steps <= sections; steps++) {
        if (length == 0)
            return nullptr;
        const HelpNode* section = FindSection(id, length);
        if (!section)
            return nullptr;
        Text target;
        if (!AttributeValue(section, L"redirect", target) || target.length == 0)
            return section;
        id = target.p;
        length = target.length;
    }
    return nullptr;
}

String HelpDocument::SectionId(const HelpNode* section) const
{
    Text id = IdOf(section);
    return String(id.p, id.length);
}

const HelpNode* HelpDocument::FirstSection() const
{
    if (!root_)
        return nullptr;
    const HelpNode* node = root_->firstChild;
    return IsSection(node) ? node : NextSection(node);
}

const HelpNode* HelpDocument::NextSection(const HelpNode* node) const
{
    if (!node)
        return nullptr;
    for (node = node->next; node; node = node->next)
        if (IsSection(node))
            return node;
    return nullptr;
}

String HelpDocument::NextPage(const wchar_t* id, int64 length) const
{
    length = Measure(id, length);
    bool passed = false;
    for (const HelpNode* s = FirstSection(); s; s = NextSection(s)) {
        Text own = IdOf(s);
        if (passed && own.length > 0 && FindAttribute(s, markup_.Data(), L"nav", 3))
            return String(own.p, own.length);
        if (HelpEqualsNoCase(own.p, own.length, id, length))
            passed = true;
    }
    return String();
}

String HelpDocument::PreviousPage(const wchar_t* id, int64 length) const
{
    length = Measure(id, length);
    Text remembered{nullptr, 0};
    for (const HelpNode* s = FirstSection(); s; s = NextSection(s)) {
        Text own = IdOf(s);
        if (HelpEqualsNoCase(own.p, own.length, id, length))
            return String(remembered.p, remembered.length);
        if (own.length > 0 && FindAttribute(s, markup_.Data(), L"nav", 3))
            remembered = own;
    }
    return String();
}
