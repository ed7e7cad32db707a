#pragma once

// The search over all sections: each section's plain text (its text nodes,
// and a space for each empty "br", "p", "item" or "li"), searched ignoring
// case; a hit keeps the sentences around the word for the results page.

#include "base/String.h"
#include "helpviewer/HelpDocument.h"

#include <vector>

class HelpLayout;

// The results page shows this many hits at most.
constexpr size_t kMaxFindResults = 100;

struct HelpFindHit {
    int32 idStart;   // the section's id: a range of the markup text
    int32 idLength;
    String title;    // the first non-empty line, or "Zobacz"
    String before;   // from after the second full stop before the word
    String word;     // as found
    String after;    // up to the second full stop after the word
};

// The first hit of each section with an id, in document order, at most limit.
std::vector<HelpFindHit> FindInSections(const HelpDocument& document, const String& word, size_t limit);

// The results page: per hit the title as a link (size 130, bold, underlined),
// a line break, the text before, the word in bold, the text after and a
// paragraph break.
void AddFindResults(HelpLayout& layout, const HelpDocument& document, const std::vector<HelpFindHit>& hits);
