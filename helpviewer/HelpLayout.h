#pragma once

// One help page as a flat list of runs: the section's markup walked into
// words, spaces, breaks and pictures with their fonts, colours and link
// targets, measured on a device context and broken into lines around
// floating pictures. The view paints, selects and copies from it; printing
// copies it and lays it out again for the printer.

#include "base/String.h"
#include "gui/Gdi.h"
#include "helpviewer/HelpMarkup.h"

#include <vector>

class HelpDocument;
class NumberText;

enum HelpFontFlags : int32 {
    kHelpBold = 1,
    kHelpItalic = 2,
    kHelpUnderline = 4,
    kHelpSuperscript = 8,
    kHelpSubscript = 16,
};

// Sizes are percent of the base size; anything outside is clamped so that a
// "1e9em" cannot overflow the pixel height.
constexpr int32 kMinHelpFontSize = 10;
constexpr int32 kMaxHelpFontSize = 1000;

// Coordinates saturate here, so a sum of two never leaves 32 bits.
constexpr int32 kMaxHelpCoordinate = 1 << 29;

struct HelpFont {
    String face;
    int32 size = 100;
    int32 flags = 0;
    int32 ascent = 0;
    int32 descent = 0;
    int32 height = 0;
    GdiObj font;
};

// A picture of the page, loaded on first use; an empty bitmap (failed or
// imageless) takes no room.
struct HelpImage {
    bool loaded = false;
    int32 nameStart = 0;   // the member name: a range of the markup text
    int32 nameLength = 0;
    GdiObj bitmap;
    int32 width = 0;
    int32 height = 0;
    bool hasAlpha = false;
};

struct HelpRun {
    enum Kind : int32 {
        kWord = 0,
        kSpace = 1,
        kParagraph = 2,
        kLineBreak = 3,
        kPicture = 4,
        kIndentIn = 5,
        kIndentOut = 6,
        kBullet = 7,
        kNumber = 8,
    };
    // Bit 31 of colour: drawn in the view's link colour.
    static constexpr u32 kLinkColour = 0x80000000u;

    int32 kind = kWord;
    int32 font = 0;        // kinds 5 and 6: the indent level
    int32 x = 0, y = 0;    // page pixels; a word's y is the top of its text cell
    int32 width = 0, height = 0;
    int32 line = 0;        // top of its line; -1 for a floating picture
    int32 flags = 0;       // breaks: clear bits (1 left, 2 right); pictures: 0 inline, 1 left, 2 right
    int32 link = -1;       // the link target: a range of the markup text, or -1
    int32 linkLength = 0;
    const wchar_t* text = nullptr;  // words: in the markup or in the layout's own texts
    int32 length = 0;
    u32 colour = 0;
    int32 picture = -1;    // index in the image cache
    int32 number = 0;      // list numbers: the counter

    bool IsBreak() const { return kind == kParagraph || kind == kLineBreak; }
    // The font the run is measured and drawn with: indent marks hold their
    // level in font, so they take the base font (they have no text).
    int32 FontIndex() const { return kind == kIndentIn || kind == kIndentOut ? 0 : font; }
    bool IsLink() const { return link >= 0; }
    // Caret positions inside the run: characters of a word, one step over a
    // space or picture, none for marks.
    int32 Positions() const { return kind == kWord ? length : (kind == kSpace || kind == kPicture) ? 1 : 0; }
};

// One line of the page: its top, height and runs [first, end).
struct HelpLine {
    int32 top;
    int32 height;
    int32 first;
    int32 end;
};

// Where the page is laid out: dpi, zoom (-1, 0, 1), picture scale and the
// client width; margins are 8 pixels at 96 dpi.
struct HelpLayoutParams {
    int32 dpi = 96;
    int32 zoom = 0;
    double pictureScale = 1.0;
    int32 clientWidth = 500;
};

// 1.0 below 121 dpi, 1.5 to 168, 2.0 to 216, 2.5 to 264, above that
// (dpi + 48) / 96 in whole numbers.
double ScreenPictureScale(int32 dpi);
// Printers: max(1, min(x, y) / 96), below 1.5 taken as 1.
double PrinterPictureScale(int32 dpiX, int32 dpiY);

// A list number as shown and copied: "N. " up to 64, else the counter's
// character and ") ".
void ListNumberText(int32 counter, NumberText& out);

// A memory context holding a 32-bit bitmap: measures without a window, and
// pictures made on it keep their colours.
DeviceContext MemoryMeasureDc();

// COLORREF of a colour value ("#rgb", "#rrggbb" or a name); false leaves
// colour unchanged (a "#" value of another length or with other digits).
bool ParseHelpColour(const wchar_t* text, int64 length, u32& colour);
// 0xRRGGBB of a named colour, or -1.
int32 NamedHelpColour(const wchar_t* name, int64 length);

// A copy is a whole copy (runs, fonts, pictures), so printing can lay out
// its own.
class HelpLayout {
public:
    // Fonts are measured on dc (a shared handle is kept). A layout that has
    // fonts makes them again for the new device, keeping their entries, so
    // the runs can be arranged anew (zoom, DPI, printer).
    void SetDevice(const DeviceContext& dc, const HelpLayoutParams& params);
    const HelpLayoutParams& Params() const { return params_; }

    // Empties the run list and resets the walking state (font 0, black, no
    // link, bullets). Fonts and pictures stay.
    void Clear();
    // The document whose markup the runs and links point into.
    void UseDocument(const HelpDocument& document);
    // Walks a section's content into runs.
    void AddSection(const HelpDocument& document, const HelpNode* section);
    // Builders of pages that are not sections (the find results). Texts are
    // copied.
    void AddText(const wchar_t* text, int64 length);
    void AddBreak(int32 kind, int32 clear = 0, bool always = false);
    void SetStyle(int32 size, int32 flags);
    // A link to a range of the markup text, or none with start -1.
    void SetLink(int32 start, int32 length);

    // Measures every run and breaks the lines for the client width.
    void Arrange();

    // The entry of the font, added when new.
    int32 FindOrAddFont(const wchar_t* face, int32 size, int32 flags);

    const std::vector<HelpRun>& Runs() const { return runs_; }
    const std::vector<HelpLine>& Lines() const { return lines_; }
    const std::vector<HelpFont>& Fonts() const { return fonts_; }
    const std::vector<HelpImage>& Images() const { return images_; }
    const String& Markup() const { return markup_; }
    int32 PageWidth() const { return pageWidth_; }
    int32 PageHeight() const { return pageHeight_; }
    int32 Margin() const { return MulDiv(8, params_.dpi, 96); }
    // The line holding run r, or -1 (floats, marks outside lines).
    int32 LineOfRun(int32 r) const;
    // The first line whose bottom is below y.
    int32 LineAtOrBelow(int32 y) const;
    // Runs of floating pictures, in order.
    const std::vector<int32>& Floats() const { return floats_; }
    // The pixel offset of character offset in word run r.
    int32 CharX(int32 r, int32 offset) const;

private:
    struct WalkState {
        int32 font;
        u32 colour;
        int32 link;
        int32 linkLength;
        int32 counter;
    };

    void Walk(const HelpNode* first, int32 depth);
    void Element(const HelpNode* element, int32 depth);
    void Words(const wchar_t* text, int32 start, int32 length);
    void AddRun(HelpRun run);
    void AddWord(const wchar_t* text, int32 length);
    void AddMark(int32 kind, int32 value);
    void AddPicture(const HelpNode* name, int32 floating);
    void ApplyStyle(const wchar_t* text, int32 length);
    void SetFontOf(int32 size, int32 flags, const String& face);
    bool Attribute(const HelpNode* element, const wchar_t* name, const wchar_t*& value, int32& length) const;
    int32 ImageOf(int32 nameStart, int32 nameLength);
    void MakeFont(HelpFont& font) const;
    void SelectFont(int32 font);
    void MeasureRun(HelpRun& run);
    void PictureSize(const HelpImage& image, int32 available, int32& width, int32& height) const;
    friend class HelpLineBreaker;

    const HelpDocument* document_ = nullptr;
    DeviceContext dc_;
    HelpLayoutParams params_;
    String markup_;             // the markup the runs point into (shared, not copied)
    std::vector<HelpFont> fonts_;
    std::vector<HelpImage> images_;
    std::vector<HelpRun> runs_;  // grows geometrically: a fixed step would be quadratic
    std::vector<HelpLine> lines_;  // invariant: tops ascend, runs [first, end) ascend
    std::vector<int32> floats_;
    std::vector<String> texts_;  // copies the builders' words point into
    WalkState state_ = {0, 0, -1, 0, 0};
    int32 selectedFont_ = -1;
    int32 pageWidth_ = 0;
    int32 pageHeight_ = 0;
};
