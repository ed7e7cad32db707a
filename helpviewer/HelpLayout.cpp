#include "helpviewer/HelpLayout.h"

#include "base/CharUtils.h"
#include "base/Error.h"
#include "helpviewer/HelpChars.h"
#include "helpviewer/HelpDocument.h"
#include "helpviewer/Images.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace {

const wchar_t kSpace[] = L" ";
const wchar_t kLess[] = L"<";
const wchar_t kGreater[] = L">";
const wchar_t kAmpersand[] = L"&";
const wchar_t kSemicolon[] = L";";

bool IsSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

int32 ClampSize(double size)
{
    if (!(size >= kMinHelpFontSize))  // also NaN
        return kMinHelpFontSize;
    if (size >= kMaxHelpFontSize)
        return kMaxHelpFontSize;
    return static_cast<int32>(std::lround(size));
}

bool Equals(const wchar_t* text, int32 length, const wchar_t* word)
{
    int64 n = static_cast<int64>(wcslen(word));
    return n == length && wmemcmp(text, word, static_cast<size_t>(n)) == 0;
}

// An integer with optional sign, saturated to 9 digits' worth.
bool ParseSaturated(const wchar_t* text, int32 length, int32& sign, int64& value)
{
    int32 i = 0;
    sign = 0;
    if (i < length && (text[i] == L'+' || text[i] == L'-'))
        sign = text[i++] == L'+' ? 1 : -1;
    if (i >= length || text[i] < L'0' || text[i] > L'9')
        return false;
    value = 0;
    for (; i < length && text[i] >= L'0' && text[i] <= L'9'; i++)
        value = std::min<int64>(value * 10 + (text[i] - L'0'), 1000000000);
    return true;
}

// A CSS number (digits, fraction, exponent); the exponent saturates, so the
// result is finite or infinite, never NaN. Answers the characters used.
int32 ParseCssNumber(const wchar_t* text, int32 length, double& value)
{
    int32 i = 0;
    bool negative = false;
    if (i < length && text[i] == L'-') {
        negative = true;
        i++;
    }
    double mantissa = 0;
    int32 scale = 0;
    bool digits = false;
    for (; i < length && text[i] >= L'0' && text[i] <= L'9'; i++, digits = true)
        if (mantissa < 1e300)
            mantissa = mantissa * 10 + (text[i] - L'0');
        else
            scale++;
    if (i < length && text[i] == L'.') {
        i++;
        for (; i < length && text[i] >= L'0' && text[i] <= L'9'; i++, digits = true)
            if (mantissa < 1e300) {
                mantissa = mantissa * 10 + (text[i] - L'0');
                scale--;
            }
    }
    if (digits && i < length && (text[i] == L'e' || text[i] == L'E')) {
        int32 j = i + 1;
        int32 expSign = 1;
        if (j < length && (text[j] == L'+' || text[j] == L'-'))
            expSign = text[j++] == L'-' ? -1 : 1;
        if (j < length && text[j] >= L'0' && text[j] <= L'9') {
            int32 e = 0;
            for (; j < length && text[j] >= L'0' && text[j] <= L'9'; j++)
                e = std::min(e * 10 + (text[j] - L'0'), 100000);
            scale += expSign * e;
            i = j;
        }
    }
    scale = std::max(-1000, std::min(1000, scale));
    value = digits ? mantissa * std::pow(10.0, scale) : 0;
    if (negative)
        value = -value;
    return i;
}

}  // namespace

double ScreenPictureScale(int32 dpi)
{
    if (dpi < 121)
        return 1.0;
    if (dpi <= 168)
        return 1.5;
    if (dpi <= 216)
        return 2.0;
    if (dpi <= 264)
        return 2.5;
    return static_cast<double>((dpi + 48) / 96);
}

double PrinterPictureScale(int32 dpiX, int32 dpiY)
{
    double scale = std::min(dpiX, dpiY) / 96.0;
    return scale < 1.5 ? 1.0 : scale;
}

void ListNumberText(int32 counter, NumberText& out)
{
    if (counter <= 64) {
        out.SetNumber(counter);
        out.AppendDotSpace();
        return;
    }
    wchar_t units[4];
    int n = CodePointToUtf16(counter <= 0x10FFFF ? counter : 0xFFFD, units);
    units[n++] = L')';
    units[n++] = L' ';
    out.SetText(units, n);
}

// --- fonts and devices -------------------------------------------------------

DeviceContext MemoryMeasureDc()
{
    DeviceContext dc;
    dc.Compatible(nullptr);
    void* bits = nullptr;
    dc.SelectBitmap(MakeDibSection32(1, 1, &bits));
    return dc;
}

void HelpLayout::MakeFont(HelpFont& f) const
{
    const int32 base = params_.zoom < 0 ? 10 : params_.zoom > 0 ? 15 : 12;
    const int32 divisor = f.flags & (kHelpSuperscript | kHelpSubscript) ? 130 * 72 : 100 * 72;
    int32 pixels = std::max(1, MulDiv(f.size * base, params_.dpi, divisor));
    uint32_t flags = (f.flags & kHelpItalic ? uint32_t(FontItalic) : 0u) | (f.flags & kHelpUnderline ? uint32_t(FontUnderline) : 0u);
    f.font = ::MakeFont(f.face.CStr(), pixels, f.flags & kHelpBold ? 700 : 400, flags, DEFAULT_CHARSET);
    f.ascent = f.descent = f.height = 0;
    if (dc_.Hdc()) {
        HGDIOBJ old = SelectObject(dc_.Hdc(), f.font.Handle());
        TEXTMETRICW tm;
        if (GetTextMetricsW(dc_.Hdc(), &tm)) {
            f.ascent = tm.tmAscent;
            f.descent = tm.tmDescent;
            f.height = tm.tmHeight;
        }
        SelectObject(dc_.Hdc(), old);
    }
}

void HelpLayout::SetDevice(const DeviceContext& dc, const HelpLayoutParams& params)
{
    dc_ = dc;
    params_ = params;
    selectedFont_ = -1;
    for (HelpFont& f : fonts_)
        MakeFont(f);
    if (fonts_.empty())
        FindOrAddFont(L"Arial", 100, 0);
}

int32 HelpLayout::FindOrAddFont(const wchar_t* face, int32 size, int32 flags)
{
    size = std::max(kMinHelpFontSize, std::min(kMaxHelpFontSize, size));
    const int64 faceLength = static_cast<int64>(wcslen(face));
    for (size_t i = 0; i < fonts_.size(); i++) {
        const HelpFont& f = fonts_[i];
        if (f.size == size && f.flags == flags && HelpEqualsNoCase(f.face.Data(), f.face.Length(), face, faceLength))
            return static_cast<int32>(i);
    }
    HelpFont f;
    f.face = String(face);
    f.size = size;
    f.flags = flags;
    MakeFont(f);
    fonts_.push_back(f);
    return static_cast<int32>(fonts_.size() - 1);
}

void HelpLayout::SelectFont(int32 font)
{
    if (font == selectedFont_)
        return;
    SelectObject(dc_.Hdc(), fonts_[static_cast<size_t>(font)].font.Handle());
    selectedFont_ = font;
}

// --- building the runs -------------------------------------------------------

void HelpLayout::Clear()
{
    runs_.clear();
    lines_.clear();
    floats_.clear();
    texts_.clear();
    state_ = {0, 0, -1, 0, 0};
    pageWidth_ = pageHeight_ = 0;
    if (fonts_.empty())
        FindOrAddFont(L"Arial", 100, 0);
}

void HelpLayout::AddRun(HelpRun run)
{
    run.font = run.kind == HelpRun::kIndentIn || run.kind == HelpRun::kIndentOut ? run.font : state_.font;
    runs_.push_back(run);
}

void HelpLayout::AddWord(const wchar_t* text, int32 length)
{
    HelpRun run;
    run.kind = HelpRun::kWord;
    run.text = text;
    run.length = length;
    run.colour = state_.colour;
    run.link = state_.link;
    run.linkLength = state_.linkLength;
    AddRun(run);
}

void HelpLayout::AddMark(int32 kind, int32 value)
{
    HelpRun run;
    run.kind = kind;
    if (kind == HelpRun::kIndentIn || kind == HelpRun::kIndentOut)
        run.font = value;
    else
        run.number = value;
    run.colour = state_.colour;
    AddRun(run);
}

void HelpLayout::AddBreak(int32 kind, int32 clear, bool always)
{
    // Breaks merge: one directly after another only adds its clear bits, and
    // a paragraph break takes over a line break.
    if (!always && !runs_.empty() && runs_.back().IsBreak()) {
        HelpRun& last = runs_.back();
        last.flags |= clear;
        if (kind == HelpRun::kParagraph)
            last.kind = HelpRun::kParagraph;
        return;
    }
    HelpRun run;
    run.kind = kind;
    run.flags = clear;
    AddRun(run);
}

void HelpLayout::Words(const wchar_t* text, int32 start, int32 length)
{
    const int32 end = start + length;
    int32 i = start;
    while (i < end) {
        if (IsSpace(text[i])) {
            while (i < end && IsSpace(text[i]))
                i++;
            bool dropped = runs_.empty();
            if (!dropped) {
                int32 k = runs_.back().kind;
                dropped = k == HelpRun::kSpace || k == HelpRun::kParagraph || k == HelpRun::kLineBreak ||
                          k == HelpRun::kIndentIn || k == HelpRun::kIndentOut;
            }
            if (!dropped) {
                HelpRun run;
                run.kind = HelpRun::kSpace;
                run.text = kSpace;
                run.length = 1;
                run.colour = state_.colour;
                run.link = state_.link;
                run.linkLength = state_.linkLength;
                AddRun(run);
            }
            continue;
        }
        int32 w = i;
        while (i < end && !IsSpace(text[i]))
            i++;
        AddWord(text + w, i - w);
    }
}

void HelpLayout::AddText(const wchar_t* text, int64 length)
{
    if (length <= 0)
        return;
    texts_.push_back(String(text, length));
    Words(texts_.back().Data(), 0, AsInt(length));
}

void HelpLayout::SetStyle(int32 size, int32 flags)
{
    const HelpFont& f = fonts_[static_cast<size_t>(state_.font)];
    String face = f.face;
    state_.font = FindOrAddFont(face.CStr(), size, flags);
}

void HelpLayout::SetLink(int32 start, int32 length)
{
    state_.link = start;
    state_.linkLength = start < 0 ? 0 : length;
    if (start >= 0)
        state_.colour |= HelpRun::kLinkColour;
    else
        state_.colour &= ~HelpRun::kLinkColour;
}

void HelpLayout::SetFontOf(int32 size, int32 flags, const String& face)
{
    state_.font = FindOrAddFont(face.CStr(), size, flags);
}

bool HelpLayout::Attribute(const HelpNode* element, const wchar_t* name, const wchar_t*& value,
                           int32& length) const
{
    const HelpNode* a = FindAttribute(element, markup_.Data(), name, static_cast<int64>(wcslen(name)));
    if (!a || !a->firstChild || a->firstChild->kind != HelpNode::kText)
        return false;
    value = markup_.Data() + a->firstChild->start;
    length = a->firstChild->length;
    return true;
}

int32 HelpLayout::ImageOf(int32 nameStart, int32 nameLength)
{
    const wchar_t* m = markup_.Data();
    for (size_t i = 0; i < images_.size(); i++) {
        const HelpImage& image = images_[i];
        if (HelpEqualsNoCase(m + image.nameStart, image.nameLength, m + nameStart, nameLength))
            return static_cast<int32>(i);
    }
    HelpImage image;
    image.nameStart = nameStart;
    image.nameLength = nameLength;
    image.loaded = true;
    if (document_ && dc_.Hdc()) {
        try {
            LoadHelpImage(*document_, m + nameStart, nameLength, dc_, image.bitmap, image.hasAlpha);
        } catch (const Error&) {
            // A picture that cannot be had takes no room; the page still shows.
            image.bitmap.Clear();
        }
        BITMAP info;
        if (!image.bitmap.IsEmpty() && GetObjectW(image.bitmap.Handle(), sizeof info, &info)) {
            image.width = info.bmWidth;
            image.height = std::abs(info.bmHeight);
        }
    }
    images_.push_back(image);
    return static_cast<int32>(images_.size() - 1);
}

void HelpLayout::AddPicture(const HelpNode* name, int32 floating)
{
    HelpRun run;
    run.kind = HelpRun::kPicture;
    run.flags = floating;
    run.picture = ImageOf(name->start, name->length);
    run.colour = state_.colour;
    run.link = state_.link;
    run.linkLength = state_.linkLength;
    AddRun(run);
}

void HelpLayout::ApplyStyle(const wchar_t* text, int32 length)
{
    int32 i = 0;
    while (i < length) {
        while (i < length && (IsSpace(text[i]) || text[i] == L';'))
            i++;
        int32 nameStart = i;
        while (i < length && text[i] != L':' && text[i] != L';' && !IsSpace(text[i]))
            i++;
        int32 nameLength = i - nameStart;
        while (i < length && IsSpace(text[i]))
            i++;
        if (i >= length || text[i] != L':') {
            while (i < length && text[i] != L';')
                i++;
            continue;
        }
        i++;
        while (i < length && IsSpace(text[i]))
            i++;
        int32 valueStart = i;
        while (i < length && text[i] != L';')
            i++;
        int32 valueEnd = i;
        while (valueEnd > valueStart && IsSpace(text[valueEnd - 1]))
            valueEnd--;
        const wchar_t* value = text + valueStart;
        int32 valueLength = valueEnd - valueStart;
        const wchar_t* name = text + nameStart;
        if (Equals(name, nameLength, L"color")) {
            ParseHelpColour(value, valueLength, state_.colour);
            continue;
        }
        if (!Equals(name, nameLength, L"font-size") || valueLength == 0)
            continue;
        const HelpFont& f = fonts_[static_cast<size_t>(state_.font)];
        double size = f.size;
        if ((value[0] >= L'0' && value[0] <= L'9') || value[0] == L'-') {
            double number;
            int32 used = ParseCssNumber(value, valueLength, number);
            const wchar_t* unit = value + used;
            int32 unitLength = valueLength - used;
            if (Equals(unit, unitLength, L"em"))
                size = number * f.size;
            else if (Equals(unit, unitLength, L"rem"))
                size = number * 100;
            else if (Equals(unit, unitLength, L"px") && f.height > 0)
                size = number * f.size / f.height;
        } else {
            int32 n = 0;
            while (n < valueLength && !IsSpace(value[n]))
                n++;
            static const struct {
                const wchar_t* word;
                int32 size;
            } kKeywords[] = {{L"xx-small", 70}, {L"x-small", 80}, {L"small", 90},   {L"medium", 100},
                             {L"large", 110},   {L"x-large", 120}, {L"xx-large", 130}};
            for (const auto& k : kKeywords)
                if (Equals(value, n, k.word))
                    size = k.size;
        }
        String face = f.face;
        SetFontOf(ClampSize(size), f.flags, face);
    }
}

void HelpLayout::UseDocument(const HelpDocument& document)
{
    document_ = &document;
    markup_ = document.Markup();
}

void HelpLayout::AddSection(const HelpDocument& document, const HelpNode* section)
{
    UseDocument(document);
    if (section)
        Walk(section->firstChild, 0);
}

void HelpLayout::Walk(const HelpNode* node, int32 depth)
{
    const wchar_t* m = markup_.Data();
    for (; node; node = node->next) {
        switch (node->kind) {
        case HelpNode::kText:
            Words(m, node->start, node->length);
            break;
        case HelpNode::kEntity: {
            const wchar_t* name = m + node->start;
            if (Equals(name, node->length, L"lt"))
                AddWord(kLess, 1);
            else if (Equals(name, node->length, L"gt"))
                AddWord(kGreater, 1);
            else if (Equals(name, node->length, L"amp"))
                AddWord(kAmpersand, 1);
            else {
                AddWord(kAmpersand, 1);
                AddWord(name, node->length);
                AddWord(kSemicolon, 1);
            }
            break;
        }
        case HelpNode::kElement:
            Element(node, depth + 1);
            break;
        default:
            break;
        }
    }
}

void HelpLayout::Element(const HelpNode* e, int32 depth)
{
    const wchar_t* m = markup_.Data();
    const wchar_t* name = m + e->start;
    const int32 n = e->length;
    auto is = [&](const wchar_t* word) {
        return HelpEqualsNoCase(name, n, word, static_cast<int64>(wcslen(word)));
    };
    const WalkState saved = state_;
    const HelpFont& current = fonts_[static_cast<size_t>(state_.font)];
    const String face = current.face;
    const int32 size = current.size;
    const int32 flags = current.flags;
    const wchar_t* value = nullptr;
    int32 valueLength = 0;
    auto clearBits = [&]() {
        if (!Attribute(e, L"clear", value, valueLength))
            return 0;
        return Equals(value, valueLength, L"left") ? 1 : Equals(value, valueLength, L"right") ? 2
               : Equals(value, valueLength, L"all")  ? 3
                                                      : 0;
    };
    auto indented = [&]() { return Attribute(e, L"class", value, valueLength) && Equals(value, valueLength, L"indent"); };
    auto content = [&]() { Walk(e->firstChild, depth); };

    if (is(L"b") || is(L"strong")) {
        SetFontOf(size, flags | kHelpBold, face);
        content();
    } else if (is(L"i") || is(L"em")) {
        SetFontOf(size, flags | kHelpItalic, face);
        content();
    } else if (is(L"u")) {
        SetFontOf(size, flags | kHelpUnderline, face);
        content();
    } else if (is(L"sup")) {
        SetFontOf(size, flags | kHelpSuperscript, face);
        content();
    } else if (is(L"sub")) {
        SetFontOf(size, flags | kHelpSubscript, face);
        content();
    } else if (is(L"big")) {
        SetFontOf(130, flags | kHelpBold, face);
        content();
    } else if (is(L"small")) {
        SetFontOf(80, flags | kHelpBold, face);
        content();
    } else if (n == 2 && (name[0] == L'h' || name[0] == L'H') && name[1] >= L'0' && name[1] <= L'6') {
        static const int32 kSizes[] = {180, 160, 140, 130, 120, 110, 100};
        AddBreak(HelpRun::kParagraph);
        SetFontOf(kSizes[name[1] - L'0'], flags | kHelpBold, face);
        content();
        AddBreak(HelpRun::kParagraph);
    } else if (is(L"p") || is(L"div")) {
        const bool div = n == 3;
        AddBreak(HelpRun::kLineBreak, div ? clearBits() : 0);
        const bool indent = indented();
        if (indent)
            AddMark(HelpRun::kIndentIn, 1);
        content();
        if (indent)
            AddMark(HelpRun::kIndentOut, 1);
        AddBreak(div ? HelpRun::kLineBreak : HelpRun::kParagraph);
    } else if (is(L"span")) {
        if (Attribute(e, L"style", value, valueLength))
            ApplyStyle(value, valueLength);
        content();
    } else if (is(L"br")) {
        AddBreak(HelpRun::kLineBreak, clearBits());
    } else if (is(L"-")) {
        AddBreak(HelpRun::kLineBreak, 0, true);
    } else if (is(L"link") || is(L"a")) {
        SetFontOf(size, flags | kHelpUnderline, face);
        const bool anchor = n == 1;
        if (Attribute(e, anchor ? L"href" : L"to", value, valueLength)) {
            int32 start = static_cast<int32>(value - m);
            // The target of "a" is its href less the "#" of a page anchor.
            if (anchor && valueLength > 0 && value[0] == L'#') {
                start++;
                valueLength--;
            }
            SetLink(start, valueLength);
        } else {
            state_.colour |= HelpRun::kLinkColour;
        }
        content();
    } else if (is(L"indent") || is(L"indent2")) {
        const int32 level = n == 7 ? 2 : 1;
        AddMark(HelpRun::kIndentIn, level);
        content();
        AddMark(HelpRun::kIndentOut, level);
    } else if (is(L"item")) {
        AddMark(HelpRun::kIndentIn, 1);
        AddMark(HelpRun::kBullet, 0);
        content();
        AddMark(HelpRun::kIndentOut, 1);
        AddBreak(HelpRun::kLineBreak, 0, true);
    } else if (is(L"ol") || is(L"ul")) {
        int32 counter = 0;
        if (n == 2 && (name[0] == L'o' || name[0] == L'O')) {
            counter = 1;
            if (Attribute(e, L"type", value, valueLength)) {
                if (Equals(value, valueLength, L"A"))
                    counter = 65;
                else if (Equals(value, valueLength, L"a"))
                    counter = 97;
            }
        }
        state_.counter = counter;
        AddBreak(HelpRun::kLineBreak);
        AddMark(HelpRun::kIndentIn, 2);
        content();
        AddMark(HelpRun::kIndentOut, 2);
        AddBreak(HelpRun::kParagraph);
    } else if (is(L"li")) {
        if (state_.counter == 0) {
            AddMark(HelpRun::kBullet, 0);
        } else {
            AddMark(HelpRun::kNumber, state_.counter);
            if (state_.counter < INT32_MAX)
                state_.counter++;
        }
        const int32 counter = state_.counter;
        content();
        state_.counter = counter;
        AddBreak(HelpRun::kLineBreak, 0, true);
        // The counter goes on to the next item.
        state_.font = saved.font;
        state_.colour = saved.colour;
        state_.link = saved.link;
        state_.linkLength = saved.linkLength;
        return;
    } else if (is(L"red") || is(L"green") || is(L"blue")) {
        state_.colour = name[0] == L'r' || name[0] == L'R' ? 0x0000C0 : name[0] == L'g' || name[0] == L'G' ? 0x00C000 : 0xC00000;
        content();
    } else if (is(L"bmp") || is(L"img")) {
        const bool img = is(L"img");
        const HelpNode* a = FindAttribute(e, m, img ? L"src" : L"file", img ? 3 : 4);
        if (a && a->firstChild && a->firstChild->kind == HelpNode::kText) {
            int32 floating = 0;
            if (img && Attribute(e, L"align", value, valueLength))
                floating = Equals(value, valueLength, L"left") ? 1 : Equals(value, valueLength, L"right") ? 2 : 0;
            AddPicture(a->firstChild, floating);
        }
    } else if (is(L"font")) {
        u32 colour = state_.colour;
        if (Attribute(e, L"color", value, valueLength))
            ParseHelpColour(value, valueLength, colour);
        int32 newSize = size;
        int32 sign;
        int64 number;
        if (Attribute(e, L"size", value, valueLength) && ParseSaturated(value, valueLength, sign, number)) {
            static const int32 kSizes[] = {80, 90, 100, 110, 120, 160, 180};
            int64 step = sign == 0 ? number : 3 + sign * number;
            newSize = kSizes[std::max<int64>(1, std::min<int64>(7, step)) - 1];
        }
        String newFace = face;
        if (Attribute(e, L"face", value, valueLength) && valueLength > 0)
            newFace = String(value, valueLength);
        SetFontOf(newSize, flags, newFace);
        state_.colour = colour;
        content();
    } else if (is(L"code")) {
        SetFontOf(size, flags, String(L"Courier New"));
        content();
    } else {
        content();
    }
    const int32 counter = state_.counter;
    state_ = saved;
    if (!(is(L"ol") || is(L"ul")))
        state_.counter = counter;
}
