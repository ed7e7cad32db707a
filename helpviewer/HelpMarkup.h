#pragma once

#include "base/Types.h"

class MarkupErrorList;

// One node of the parsed help markup. Ranges index the markup text: an
// element's or attribute's name, a text node's text, an entity's name
// between "&" and ";".
struct HelpNode {
    enum Kind : int32 { kText = 0, kEntity = 1, kElement = 2, kAttribute = 3, kRoot = 4 };

    int32 kind = kText;
    HelpNode* next = nullptr;            // next sibling
    HelpNode* firstChild = nullptr;      // element, root: content; attribute: its value (one text node)
    HelpNode* firstAttribute = nullptr;  // element: attributes
    HelpNode* parent = nullptr;          // owner; an attribute value's is the attribute
    int32 start = 0;
    int32 length = 0;
};

// Open content elements beyond this depth take no content.
constexpr int kMaxMarkupDepth = 1000;

// Parser messages, recorded with the position where the problem is seen.
extern const wchar_t kUnexpectedClosingTag[];
extern const wchar_t kMissingAttributeValue[];
extern const wchar_t kUnquotedAttribute[];
extern const wchar_t kMissingApostrophe[];
extern const wchar_t kMissingQuotation[];
extern const wchar_t kMissingTagEnd[];
extern const wchar_t kNestingTooDeep[];

// Parses text[0..length) into a new tree (root kind 4, every list in
// document order) and records what is wrong in errors, which it resets
// first. Only memory exhaustion stops it; the tree is then freed.
HelpNode* ParseHelpMarkup(const wchar_t* text, int64 length, MarkupErrorList& errors);

// Frees node, its attributes, its children and every following sibling,
// without recursion (a damaged text may nest a thousand deep).
void FreeHelpNodes(HelpNode* node) noexcept;

// The node after node in a pre-order walk of root's subtree (attributes
// first, then children, then siblings), or null at the end; no recursion.
HelpNode* NextHelpNode(const HelpNode* node, const HelpNode* root);

// True when node is an element whose name equals name ignoring case.
bool IsElementNamed(const HelpNode* node, const wchar_t* text, const wchar_t* name, int64 nameLength);
// The attribute of element with that name ignoring case, or null.
HelpNode* FindAttribute(const HelpNode* element, const wchar_t* text, const wchar_t* name, int64 nameLength);
