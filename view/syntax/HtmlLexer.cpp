#include "view/syntax/HtmlLexer.h"

#include "view/syntax/InnerPhpLexer.h"

namespace {

const wchar_t kTagNames[] =
    L"a abbr acronym address applet area article aside au audio author b banner base basefont bdi bdo "
    L"bgsound big blink blockquote body bodytext bq br canvas caption center cite code col colgroup "
    L"comment credit datalist dd del details dfn dialog dir div dl dlc dt em embed fieldset fig figcaption "
    L"figure fn font footer form frame frameset h1 h2 h3 h4 h5 h6 head header hp0 hp1 hp2 hp3 hr html "
    L"http-equiv i iframe img input ins isindex kbd keygen label lang legend lh li link listing main map "
    L"mark marque math menu menuitem meta meter multicol nav nextid nobr noembed noframe noframes noscript "
    L"note object ol optgroup option output overlay p param person plaintext pre progress q range rp rt "
    L"ruby s samp script section select small source spacer span spot strike strong style sub summary sup "
    L"tab table tbody td textarea textflow tfoot th thead time title tr track tt u ul var video wbr xmp";

const wchar_t kAttributeNames[] =
    L"abbr accept-charset accept accesskey action align alink alt archive async autocomplete autofocus "
    L"autoplay axis background bgcolor border cellpadding cellspacing challenge char charoff charset "
    L"checked cite class classid clear code codebase codetype color cols colspan compact content "
    L"contenteditable contextmenu controls coords data datetime declare default defer dir dirname disabled "
    L"download dragable dropzone enctype face for form formaction frameborder frame headers height hidden "
    L"high href hreflang hspace http-equiv id ismap keytype kind label lang language link list loop "
    L"longdesc low manifest marginheight marginwidth max maxlength media method min multiple muted name "
    L"nohref noresize noshade novalidate nowrap object onabort onafterprint onbeforeprint onbeforeunload "
    L"onblur oncanplay oncanplaythrough onchange onclick oncontextmenu oncopy oncuechange oncut ondblclick "
    L"ondrag ondragend ondragenter ondragleave ondragover ondragstart ondrop ondurationchange onemptied "
    L"onended onerror onfocus onhashchange oninput oninvalid onkeydown onkeypress onkeyup onload "
    L"onloadeddata onloadedmetadata onloadstart onmousedown onmousemove onmouseout onmouseover onmouseup "
    L"onmousewheel onoffline onpagehide onpageshow onpaste onpause onplay onplaying onpopstate onprogress "
    L"onratechange onreset onresize onscroll onsearch onseeked onselect onshow onstalled onstorage "
    L"onsubmit onsuspended ontimeupdate ontoggle onunload onvolumechange onwaiting onwheel open optimum "
    L"pattern placeholder poster preload profile prompt readonly rel required rev reversed rows rowspan "
    L"rules sandbox scheme scope scoped scrolling selected shape size sizes span spellcheck src srcdoc "
    L"srclang standby start step style summary tabindex target title translate text title type usemap "
    L"valign value valuetype version vlink vspace width wrap";

const wchar_t kEntityNames[] =
    L"Aacute aacute Acirc acirc acute AElig aelig Agrave agrave alefsym Alpha alpha amp and ang apos Aring "
    L"aring asymp Atilde atilde Auml auml Beta beta brvbar bull cap Ccedil ccedil cedil cent Chi chi clubs "
    L"cong copy crarr cup curren dArr darr deg Delta delta diams divide Eacute eacute Ecirc ecirc Egrave "
    L"egrave empty Epsilon epsilon equiv Eta eta ETH eth Euml euml euro exist fnof forall frac12 frac14 "
    L"frac34 frasl Gamma gamma ge gt hArr harr hearts hellip Iacute iacute Icirc icirc iexcl Igrave igrave "
    L"image infin int Iota iota iquest isin Iuml iuml Kappa kappa Lambda lambda lang laquo lArr larr lceil "
    L"le lfloor lowast loz lt macr micro middot minus Mu mu nabla nbsp ne ni not notin nsub Ntilde ntilde "
    L"Nu nu Oacute oacute Ocirc ocirc Ograve ograve oline Omega omega Omicron omicron oplus or ordf ordm "
    L"Oslash oslash Otilde otilde otimes Ouml ouml para part perp Phi phi Pi pi piv plusmn pound Prime "
    L"prime prod prop Psi psi radic rang raquo rArr rarr rceil real reg rfloor Rho rho quot sdot sect shy "
    L"Sigma sigma sigmaf sim spades sub sube sum sup sup1 sup2 sup3 supe szlig Tau tau there4 Theta theta "
    L"thetasym THORN thorn times trade Uacute uacute uArr uarr Ucirc ucirc Ugrave ugrave uml upsih Upsilon "
    L"upsilon Uuml uuml weierp Xi xi Yacute yacute yen Yuml yuml Zeta zeta";

const wchar_t kPhpWords[] =
    L"abstract and as break callable case catch class clone const continue declare default do echo else "
    L"elseif enddeclare endfor endforeach endif endswitch endwhile eval extends final finally for foreach "
    L"function global goto if implements include include_once instanceof insteadof interface namespace new "
    L"or parent print private protected public require require_once return self static switch throw trait "
    L"try use var while xor yield";

bool EqualsAsciiNoCase(const wchar_t* chars, const char* text, int32 n)
{
    for (int32 i = 0; i < n; i++) {
        wchar_t c = chars[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<wchar_t>(c + 32);
        if (c != static_cast<wchar_t>(text[i]))
            return false;
    }
    return true;
}

}  // namespace

PhpLexer::Storage::Storage()
{
    keywords.AddList(kPhpWords);
}

HtmlLexer::HtmlLexer(TextDocument* document, const Storage* storage, bool phpMode)
    : TextLexer(document),
      phpMode_(phpMode ? 1 : 0),
      lent_(kLentNone),
      storage_(storage),
      script_(document, &storage->javaScript, true),
      style_(document, &storage->css, &storage->tags, true),
      php_(document, &storage->php.keywords)
{
}

HtmlLexer::Storage::Storage() : tags(WordSet::Folded), attributes(WordSet::Folded), entities(WordSet::Exact)
{
    tags.AddList(kTagNames);
    attributes.AddList(kAttributeNames);
    entities.AddList(kEntityNames);
}

void HtmlLexer::Storage::OnSection(const wchar_t* header, int32 headerLength, const wchar_t* body, int32 bodyLength)
{
    if (IsSectionNamed(header, headerLength, L"entities"))
        entities = SectionWords(body, bodyLength);
}

void HtmlLexer::Seek(int64 position, int64 savedPosition, const u32* savedState, TokenText* tokenText)
{
    u32 start = phpMode_ ? WithRegionAndClass(0, kRegionPhp, kClassText) : kInitialLexerState;
    // The seek moves this lexer's own cursor: nothing stays lent across it.
    lent_ = kLentNone;
    SeekByRelexing(position, savedPosition, savedState, tokenText, start);
    lent_ = kLentNone;
}

bool HtmlLexer::InnerToken(TokenRecord& record)
{
    switch (lent_) {
    case kLentScript:
        if (LentCursorAt(script_, '<'))
            break;
        script_.NextToken(record);
        FollowLent(script_);
        return true;
    case kLentStyle:
        if (LentCursorAt(style_, '<'))
            break;
        style_.NextCssToken(record);
        FollowLent(style_);
        return true;
    case kLentPhp:
        if (LentCursorAt(php_, '?'))
            break;
        php_.NextToken(record);
        FollowLent(php_);
        return true;
    default:
        return false;
    }
    // The page's own character: the cursor comes back for it.
    TakeBackFrom(lent_ == kLentScript ? static_cast<const TextLexer&>(script_)
                 : lent_ == kLentStyle ? static_cast<const TextLexer&>(style_)
                                       : static_cast<const TextLexer&>(php_));
    lent_ = kLentNone;
    return false;
}

void HtmlLexer::NextToken(TokenRecord& record)
{
    if (lent_ != kLentNone && InnerToken(record))
        return;
    for (;;) {
        tokenState_ = state_;
        u32 region = RegionOf(state_);
        u32 tokenClass = TokenClassOf(state_);
        if (region == kRegionScript || region == kRegionStyle) {
            bool script = region == kRegionScript;
            if (Is('<')) {
                if (EndTagFollows(script ? "script" : "style")) {
                    u32 flags = script ? (state_ & ~kScriptOpen) | kScriptClosing : (state_ & ~kStyleOpen) | kStyleClosing;
                    state_ = WithRegionAndClass(flags, kRegionTag, kClassTagDelimiter);
                    continue;
                }
                Single(record, state_);
                return;
            }
            // Blanks and tabs too are the inner lexer's: it makes of them
            // what the page would.
            if (script) {
                LendTo(script_);
                lent_ = kLentScript;
            } else {
                LendTo(style_);
                lent_ = kLentStyle;
            }
            InnerToken(record);
            return;
        }
        if (region == kRegionPhp) {
            if (Is('?')) {
                if (PeekCode() == '>') {
                    state_ = WithRegionAndClass(state_, kRegionTag, kClassTagText);
                    continue;
                }
                Single(record, state_);
                return;
            }
            LendTo(php_);
            lent_ = kLentPhp;
            InnerToken(record);
            return;
        }
        if (tokenClass == kClassBlockComment || tokenClass == kClassComment)
            CommentToken(record);
        else if (tokenClass == kClassString || tokenClass == kClassCharacter)
            QuotedToken(record, false, L'\0', kClassTagText);
        else if (region == kRegionPage && tokenClass != kClassTagText && tokenClass != kClassTagDelimiter)
            PageToken(record);
        else
            TagToken(record);
        return;
    }
}

// At "<" in a script or style element: whether the element's end tag
// follows, blanks and line breaks allowed around the "/".
bool HtmlLexer::EndTagFollows(const char* name) const
{
    auto skipBlanks = [](CharCursor& look) {
        while ((look.flags & (ClassBlank | ClassTab | ClassLineBreak)) && !(look.flags & ClassEndOfText))
            CharCursor::Seek(look, look.position + look.length);
    };
    CharCursor look = Ahead();
    skipBlanks(look);
    if (look.code != '/')
        return false;
    CharCursor::Seek(look, look.position + look.length);
    skipBlanks(look);
    if (look.code != 's' && look.code != 'S')
        return false;
    char word[9];
    int n = 0;
    while (n < 8 && (IsAsciiLetter(static_cast<int32>(look.code)) || IsAsciiDigit(static_cast<int32>(look.code)))) {
        word[n++] = static_cast<char>(look.code | 0x20);
        CharCursor::Seek(look, look.position + look.length);
    }
    word[n] = '\0';
    for (int i = 0; i <= n; i++)
        if (word[i] != name[i])
            return false;
    return true;
}

void HtmlLexer::PageToken(TokenRecord& record)
{
    if (Is('&')) {
        EntityToken(record);
        return;
    }
    if (!Is('<')) {
        Generic(record, state_, L"<&");
        return;
    }
    Begin(record);
    Take();
    if (!Is('!')) {
        state_ = WithRegionAndClass(state_, kRegionTag, kClassTagDelimiter);
    } else {
        Take();
        if (!Is('-')) {
            // A declaration such as a document type.
            state_ = WithRegionAndClass(state_, kRegionTag, kClassTagText);
        } else {
            Take();
            if (Is('-'))
                Take();
            state_ = WithClass(state_, kClassBlockComment);
        }
    }
    End(record, kTokenText, state_);
}

// "&", then "#" and digits or a name, then ";": coloured when the digits or
// the known name and the ";" are both there.
void HtmlLexer::EntityToken(TokenRecord& record)
{
    Begin(record);
    Take();
    int points = 0;
    if (Is('#')) {
        Take();
        if (Is('x') || Is('X')) {
            Take();
            if (TakeHexDigits(record) > 0)
                points++;
        } else if (TakeDigits(record) > 0) {
            points++;
        }
    } else {
        wchar_t word[2 * kTokenRunLimit];
        int32 length = 0;
        TakeWordWhile(
            record, [this] { return IsAsciiLetter(Code()) || IsAsciiDigit(Code()); }, word, length);
        if (length > 0 && !seekMode_ && storage_->entities.Contains(word, length))
            points++;
    }
    if (!record.cut && Is(';') && TakeIfRoom(record))
        points++;
    End(record, kTokenText, points >= 2 ? WithClass(state_, kClassEntity) : state_);
}

// An HTML comment ends at the first "-" followed by ">".
void HtmlLexer::CommentToken(TokenRecord& record)
{
    if (!Is('-')) {
        Generic(record, state_, L"-");
        return;
    }
    Begin(record);
    Take();
    if (Is('>')) {
        Take();
        state_ = kInitialLexerState;
    }
    End(record, kTokenText, tokenState_);
}

void HtmlLexer::TagToken(TokenRecord& record)
{
    int32 c = Code();
    if (c == '>') {
        Begin(record);
        Take();
        End(record, kTokenText, WithClass(state_, kClassTagDelimiter));
        u32 region = (state_ & kScriptOpen) ? kRegionScript : (state_ & kStyleOpen) ? kRegionStyle : kRegionPage;
        state_ = WithRegionAndClass(state_ & ~(kScriptClosing | kStyleClosing), region, kClassText);
        return;
    }
    if (c == '"' || c == '\'') {
        OpenQuoteToken(record);
        return;
    }
    if (c == '?' && phpMode_ && TokenClassOf(state_) == kClassTagDelimiter) {
        // The PHP opening marker with its name.
        Begin(record);
        Take();
        TakeWhile(record, [this] {
            int32 k = Code();
            return IsAsciiLetter(k) || IsAsciiDigit(k) || k == '_' || k == '-' || k == '/';
        });
        End(record, kTokenText, state_);
        state_ = WithRegionAndClass(state_, kRegionPhp, kClassText);
        return;
    }
    if (IsAsciiLetter(c) || c == '_' || c == '/') {
        NameToken(record);
        return;
    }
    Generic(record, state_, L">'\"");
}

// A tag or attribute name. Right after "<" it is the tag name, which also
// tells whether a script or style element begins.
void HtmlLexer::NameToken(TokenRecord& record)
{
    Begin(record);
    wchar_t word[2 * kTokenRunLimit];
    int32 length = 0;
    TakeWordWhile(
        record,
        [this] {
            int32 k = Code();
            return IsAsciiLetter(k) || IsAsciiDigit(k) || k == '_' || k == '-' || k == '/';
        },
        word, length);
    bool tagName = TokenClassOf(state_) == kClassTagDelimiter;
    u32 tokenClass = kClassText;
    if (!seekMode_) {
        if (tagName) {
            bool slash = length > 0 && word[0] == '/';
            if (storage_->tags.Contains(word + (slash ? 1 : 0), length - (slash ? 1 : 0)))
                tokenClass = kClassTagName;
        } else if ((length > 5 && EqualsAsciiNoCase(word, "data-", 5)) || storage_->attributes.Contains(word, length)) {
            tokenClass = kClassAttribute;
        }
    }
    End(record, kTokenText, WithClass(state_, tokenClass));
    if (tagName) {
        if (!(state_ & kScriptClosing) && length == 6 && EqualsAsciiNoCase(word, "script", 6))
            state_ |= kScriptOpen;
        if (!(state_ & kStyleClosing) && length == 5 && EqualsAsciiNoCase(word, "style", 5))
            state_ |= kStyleOpen;
        state_ = WithClass(state_, kClassTagText);
    }
}
