#pragma once

#include "base/String.h"
#include "helpviewer/HelpContainer.h"
#include "helpviewer/HelpErrors.h"
#include "helpviewer/HelpMarkup.h"

// Everything read from the help container: its entries (kept for images),
// the markup text of "help.html", its node tree and the markup errors; and
// the questions navigation asks of them.
//
// A section is an element "section" directly under the root; its id is the
// value of "ctx", else of "id". "redirect" names a section to show instead,
// "nav" puts it in the previous/next reading order.
class HelpDocument {
public:
    HelpDocument() = default;
    HelpDocument(const HelpDocument&) = delete;
    HelpDocument& operator=(const HelpDocument&) = delete;
    ~HelpDocument() { FreeHelpNodes(root_); }

    // While the markup is empty: reads the container, decodes "help.html"
    // and parses it. Container errors propagate.
    void Load(const String& path);
    // Takes text as the markup and parses it (nothing when it is empty).
    void SetMarkup(const String& text);

    const HelpContainer& Container() const { return container_; }
    const String& Markup() const { return markup_; }
    const HelpNode* Root() const { return root_; }
    const MarkupErrorList& Errors() const { return errors_; }

    // The title element's text when it holds exactly one text node, else "Pomoc".
    String Title() const;
    const HelpNode* FindSection(const wchar_t* id, int64 length) const;
    // Follows redirects; none for an empty id, a missing section or a chain
    // that meets a section twice.
    const HelpNode* Resolve(const wchar_t* id, int64 length) const;
    String SectionId(const HelpNode* section) const;
    const HelpNode* FirstSection() const;
    const HelpNode* NextSection(const HelpNode* node) const;
    String NextPage(const wchar_t* id, int64 length) const;
    String PreviousPage(const wchar_t* id, int64 length) const;

private:
    struct Text {
        const wchar_t* p;
        int64 length;
    };
    bool IsSection(const HelpNode* node) const;
    // The attribute's value when its first child is a text node.
    bool AttributeValue(const HelpNode* element, const wchar_t* name, Text& value) const;
    Text IdOf(const HelpNode* section) const;
    bool IdEquals(const HelpNode* section, const wchar_t* id, int64 length) const;

    HelpContainer container_;
    String markup_;
    HelpNode* root_ = nullptr;  // kind 4, or null before the first parse
    MarkupErrorList errors_;
};
