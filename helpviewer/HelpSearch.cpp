#include "helpviewer/HelpSearch.h"

#include "helpviewer/HelpChars.h"
#include "helpviewer/HelpLayout.h"

#include <algorithm>

namespace {

bool IsSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

// A full stop is a "." that is not part of a run of dots.
bool IsFullStop(const std::vector<wchar_t>& t, size_t i)
{
    return t[i] == L'.' && (i == 0 || t[i - 1] != L'.') && (i + 1 >= t.size() || t[i + 1] != L'.');
}

void SectionText(const HelpDocument& document, const HelpNode* section, std::vector<wchar_t>& text)
{
    text.clear();
    const wchar_t* m = document.Markup().Data();
    for (const HelpNode* n = section->firstChild; n; n = NextHelpNode(n, section)) {
        if (n->kind == HelpNode::kText && n->parent && n->parent->kind != HelpNode::kAttribute)
            text.insert(text.end(), m + n->start, m + n->start + n->length);
        else if (n->kind == HelpNode::kElement && !n->firstChild &&
                 (IsElementNamed(n, m, L"br", 2) || IsElementNamed(n, m, L"p", 1) ||
                  IsElementNamed(n, m, L"item", 4) || IsElementNamed(n, m, L"li", 2)))
            text.push_back(L' ');
    }
}

String Range(const std::vector<wchar_t>& t, size_t from, size_t to)
{
    return to > from ? String(t.data() + from, static_cast<int64>(to - from)) : String();
}

}  // namespace

std::vector<HelpFindHit> FindInSections(const HelpDocument& document, const String& word, size_t limit)
{
    std::vector<HelpFindHit> hits;
    const size_t k = static_cast<size_t>(word.Length());
    if (k == 0)
        return hits;
    std::vector<wchar_t> folded(k);
    for (size_t j = 0; j < k; j++)
        folded[j] = static_cast<wchar_t>(HelpToLowerCodePoint(word.Data()[j]));
    std::vector<wchar_t> text, lower;
    for (const HelpNode* s = document.FirstSection(); s && hits.size() < limit; s = document.NextSection(s)) {
        const HelpNode* idAttribute = FindAttribute(s, document.Markup().Data(), L"ctx", 3);
        if (!idAttribute || !idAttribute->firstChild || idAttribute->firstChild->kind != HelpNode::kText)
            idAttribute = FindAttribute(s, document.Markup().Data(), L"id", 2);
        if (!idAttribute || !idAttribute->firstChild || idAttribute->firstChild->kind != HelpNode::kText ||
            idAttribute->firstChild->length == 0)
            continue;
        SectionText(document, s, text);
        if (text.size() < k)
            continue;
        lower.resize(text.size());
        for (size_t i = 0; i < text.size(); i++)
            lower[i] = static_cast<wchar_t>(HelpToLowerCodePoint(text[i]));
        auto found = std::search(lower.begin(), lower.end(), folded.begin(), folded.end());
        if (found == lower.end())
            continue;
        const size_t at = static_cast<size_t>(found - lower.begin());
        HelpFindHit hit;
        hit.idStart = idAttribute->firstChild->start;
        hit.idLength = idAttribute->firstChild->length;
        size_t t = 0;
        while (t < text.size() && (text[t] == L'\r' || text[t] == L'\n'))
            t++;
        size_t e = t;
        while (e < text.size() && text[e] != L'\r' && text[e] != L'\n')
            e++;
        hit.title = e > t ? Range(text, t, e) : String(L"Zobacz");
        // Back to the second full stop before the word, and past the whitespace after it.
        size_t start = 0;
        int stops = 0;
        for (size_t i = at; i-- > 0;)
            if (IsFullStop(text, i) && ++stops == 2) {
                start = i + 1;
                while (start < at && IsSpace(text[start]))
                    start++;
                break;
            }
        size_t end = text.size();
        stops = 0;
        for (size_t i = at + k; i < text.size(); i++)
            if (IsFullStop(text, i) && ++stops == 2) {
                end = i + 1;
                break;
            }
        hit.before = Range(text, start, at);
        hit.word = Range(text, at, at + k);
        hit.after = Range(text, at + k, end);
        hits.push_back(hit);
    }
    return hits;
}

void AddFindResults(HelpLayout& layout, const HelpDocument& document, const std::vector<HelpFindHit>& hits)
{
    layout.UseDocument(document);
    for (size_t i = 0; i < hits.size() && i < kMaxFindResults; i++) {
        const HelpFindHit& hit = hits[i];
        layout.SetLink(hit.idStart, hit.idLength);
        layout.SetStyle(130, kHelpBold | kHelpUnderline);
        layout.AddText(hit.title.Data(), hit.title.Length());
        layout.SetLink(-1, 0);
        layout.SetStyle(100, 0);
        layout.AddBreak(HelpRun::kLineBreak);
        layout.AddText(hit.before.Data(), hit.before.Length());
        layout.SetStyle(100, kHelpBold);
        layout.AddText(hit.word.Data(), hit.word.Length());
        layout.SetStyle(100, 0);
        layout.AddText(hit.after.Data(), hit.after.Length());
        layout.AddBreak(HelpRun::kParagraph);
    }
}
