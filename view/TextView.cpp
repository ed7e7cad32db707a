// The text view's object, its view states, document events and the small
// state services.

#include "view/TextView.h"

#include "base/Error.h"
#include "spell/DictRegistry.h"
#include "text/TextBuff.h"
#include "text/TextDocument.h"
#include "view/syntax/LexerFactory.h"

#include <new>

TextView::TextView() : handler(&builtinHandler) {}

TextView* TextView::Create(ControlGroup* parent, uint32_t id, void* ownerValue1, void* ownerValue2,
                           const SettingsStore& settings, const DictRegistry* registry, LexerFactory* lexerFactory)
{
    TextView* view;
    try {
        view = new TextView();
    } catch (const std::bad_alloc&) {
        throw MemoryError();
    }
    try {
        view->Init(parent, id, ownerValue1, ownerValue2, settings, registry, lexerFactory);
    } catch (...) {
        delete view;
        throw;
    }
    return view;
}

void TextView::Init(ControlGroup* parentGroup, uint32_t controlId, void* value1, void* value2,
                    const SettingsStore& settings, const DictRegistry* dictRegistry, LexerFactory* factory)
{
    ownerValue1 = value1;
    ownerValue2 = value2;
    registry = dictRegistry;
    lexerFactory = factory;
    UINT width = 0;
    caretWidth = SystemParametersInfoW(SPI_GETCARETWIDTH, 0, &width, 0) ? AsInt(static_cast<long long>(width) * 2) : 2;
    activeStyle = ViewStyle::Create();
    inactiveStyle = ViewStyle::Create();
    currentStyle = activeStyle.get();
    ibeamCursor = LoadCursorW(nullptr, IDC_IBEAM);
    arrowCursor = LoadCursorW(nullptr, IDC_ARROW);
    if (!ibeamCursor || !arrowCursor)
        throw InternalError();
    hotPart = 0;
    pressedPart = 0;
    colorMode = 0;
    baseColor = 0xFFFFFF;
    kind = ControlKind;
    id = controlId;
    style = NoCursor | DoubleClicks | OwnClass;
    parent = parentGroup;
    Control::Create(L"Text View", 0, 0);
    DeviceContext dc = WindowDC();
    activeStyle->Read(GetDpi(), dc, zoomSteps, settings);
    Show();
}

TextView::~TextView()
{
    for (int64 i = viewStates.Count() - 1; i >= 0; i--)
        delete viewStates.At(i);
    viewStates.Release();
    statesByDocument.clear();
    currentState = nullptr;
    currentDocument = nullptr;
    currentStyle = nullptr;
}

ViewState* TextView::FindViewState(TextDocument* document) const
{
    if (!document)
        return nullptr;
    auto found = statesByDocument.find(document);
    return found == statesByDocument.end() ? nullptr : found->second;
}

void TextView::AddViewState(TextDocument* document)
{
    if (!document)
        return;
    ViewState* state;
    try {
        state = new ViewState();
        state->longLines.reset(new LongLineCache());
    } catch (const std::bad_alloc&) {
        throw MemoryError();
    }
    state->document = document;
    state->pendingIndentPos = -1;
    state->desiredX = -1;
    TextBuff& text = document->text;
    int64 markers[3] = {-1, -1, -1};
    try {
        markers[0] = state->caretMarker = text.AddMovingMarker();
        markers[1] = state->anchorMarker = text.AddMovingMarker();
        markers[2] = state->topMarker = text.AddStayingMarker();
        state->affinityOverride = 0;
        state->caretAffinity = 0;
        state->barsFollow = true;
        state->dictPair = 0;
        viewStates.Insert(viewStates.Count(), state);
        try {
            if (!statesByDocument.emplace(document, state).second)
                repeatedStates++;
        } catch (const std::bad_alloc&) {
            viewStates.RemoveAt(viewStates.Count() - 1);
            throw MemoryError();
        }
    } catch (...) {
        for (int64 m : markers)
            if (m >= 0)
                text.FreeMarker(m);
        delete state;
        throw;
    }
}

void TextView::RemoveViewState(TextDocument* document)
{
    ViewState* state = FindViewState(document);
    if (!state)
        return;
    if (state == currentState) {
        currentState = nullptr;
        currentDocument = nullptr;
        DropFindHighlights();
    }
    TextBuff& text = document->text;
    text.FreeMarker(state->topMarker);
    text.FreeMarker(state->anchorMarker);
    text.FreeMarker(state->caretMarker);
    int64 index = 0;
    while (viewStates.At(index) != state)
        index++;
    viewStates.RemoveAt(index);
    // The next state of the same document, if any, is found from now on.
    auto entry = statesByDocument.find(document);
    ViewState* next = nullptr;
    for (int64 i = index; repeatedStates > 0 && i < viewStates.Count() && !next; i++)
        if (viewStates.At(i)->document == document)
            next = viewStates.At(i);
    if (next) {
        entry->second = next;
        repeatedStates--;
    } else {
        statesByDocument.erase(entry);
    }
    delete state;
    Invalidate();
}

void TextView::DropFindHighlights()
{
    findHighlights.Release();
}

void TextView::ShowDocument(TextDocument* document)
{
    if (document == currentDocument)
        return;
    // The find highlights belong to the document they were found in.
    DropFindHighlights();
    currentState = FindViewState(document);
    currentDocument = currentState ? document : nullptr;
    if (!currentState)
        barsPainted = false;
    Invalidate();
}

void TextView::SyncWith(TextView& other)
{
    TextDocument* document = other.currentDocument;
    ViewState* mine = FindViewState(document);
    ViewState* theirs = other.FindViewState(document);
    if (!mine || !theirs)
        return;
    mine->CopyFrom(*theirs);
    currentDocument = nullptr;
    currentState = nullptr;
    ShowDocument(document);
}

bool TextView::HasSelection() const
{
    return currentState && currentState->CaretPosition() != currentState->AnchorPosition();
}

void TextView::EnableSpellUnderline(TextDocument* document)
{
    if (ViewState* state = FindViewState(document)) {
        state->spellUnderline = true;
        Invalidate();
    }
}

String TextView::GetPendingIndent(TextDocument* document) const
{
    ViewState* state = FindViewState(document);
    return state ? state->pendingIndent : String();
}

void TextView::SetPendingIndent(TextDocument* document, const String& indent, int64 position)
{
    ViewState* state = FindViewState(document);
    if (!state)
        return;
    state->pendingIndent = indent;
    state->pendingIndentPos = position;
    Invalidate();
    SetCaret(document, state->CaretPosition(), CaretScrollIntoView, 0);
}

void TextView::ClearPendingIndent(TextDocument* document, bool repaint)
{
    ViewState* state = FindViewState(document);
    if (!state)
        return;
    state->pendingIndentPos = -1;
    state->pendingIndent.Release();
    if (repaint) {
        Invalidate();
        SetCaret(document, state->CaretPosition(), CaretScrollIntoView, 0);
    }
}

String TextView::GetDictionaryName(TextDocument* document) const
{
    ViewState* state = FindViewState(document);
    if (!state || state->dictPair == 0 || !registry)
        return String();
    return registry->DisplayName(state->dictPair);
}

void TextView::SetBracketHighlights(TextDocument* document, Array<int64>& list)
{
    ViewState* state = FindViewState(document);
    if (state)
        state->bracketHighlights = list;
    list.Release();
    if (state)
        Invalidate();
}

void TextView::ClearBracketHighlights(TextDocument* document)
{
    if (ViewState* state = FindViewState(document)) {
        state->bracketHighlights.Release();
        Invalidate();
    }
}

void TextView::SetFindHighlights(const Array<int64>& list)
{
    if (!currentDocument)
        return;
    findHighlights = list;
    Invalidate();
}

void TextView::ClearFindHighlights()
{
    if (currentDocument && findHighlights.Count() >= 2) {
        DropFindHighlights();
        Invalidate();
    }
}

void TextView::RepaintDocument(TextDocument* document)
{
    if (FindViewState(document))
        Invalidate();
}

void TextView::ResetViewState(TextDocument* document)
{
    ViewState* state = FindViewState(document);
    if (!state)
        return;
    TextBuff& text = document->text;
    text.SetMarker(state->topMarker, 0);
    text.SetMarker(state->caretMarker, 0);
    text.SetMarker(state->anchorMarker, 0);
    state->horzOffset = 0;
    state->caretFlagsSeen = 0;
    // A reloaded text has nothing of the old one to indent or match.
    state->pendingIndentPos = -1;
    state->pendingIndent.Release();
    state->bracketHighlights.Release();
    Invalidate();
}

void TextView::ReloadStyle(const SettingsStore& settings)
{
    // Hidden, not only forgotten: the caret of the old metrics may not be
    // placed again when the new ones leave its row outside the view.
    RemoveCaret();
    DeviceContext dc = WindowDC();
    activeStyle->Read(GetDpi(), dc, zoomSteps, settings);
    ViewStyle::DeriveInactive(*inactiveStyle, *activeStyle);
    // New fonts may come back under the handles of the old ones.
    for (int64 i = 0; i < viewStates.Count(); i++)
        viewStates.At(i)->longLines->Clear();
    if (currentDocument)
        Invalidate();
}

void TextView::ReadFontSettings(GdiObj& font, int32 dpi, const SettingsStore& settings)
{
    ViewStyle::ReadFonts(font, dpi, settings);
}

void TextView::OnDocumentEvent(const BroadcastRecord& record, int32 eventKind)
{
    TextDocument* document = record.document;
    switch (eventKind) {
    case BroadcastDocumentAdded:
        AddViewState(document);
        RepaintDocument(document);
        break;
    case BroadcastDocumentRemoved:
        RemoveViewState(document);
        break;
    case BroadcastCurrentChanged:
        if (record.view == this || !currentDocument)
            ShowDocument(document);
        break;
    case BroadcastContentReplaced:
        ResetViewState(document);
        ClearFindHighlights();
        break;
    case BroadcastTextChanged:
        DropFindHighlights();
        ClearBracketHighlights(document);
        if (document == currentDocument) {
            RepaintDocument(document);
            ClearPendingIndent(document, false);
        }
        break;
    case BroadcastCaretMoved:
        ClearBracketHighlights(document);
        break;
    case BroadcastOverwriteToggled:
        caretCreated = false;
        PlaceCaret(caretX, caretY, caretHeight, false);
        break;
    case BroadcastLineEndsChanged:
    case BroadcastSyntaxChanged:
        if (ViewState* state = FindViewState(document)) {
            SetCaret(document, document->text.CharStart(state->CaretPosition()), 0, 0);
            RepaintDocument(document);
        }
        break;
    case BroadcastSpellingChanged:
    case BroadcastBookmarksChanged:
        RepaintDocument(document);
        break;
    default:
        break;
    }
}

void TextView::Measure(SizeLimits& limits)
{
    int32 height = 60, width = 120;
    try {
        DeviceContext dc = MeasureDC();
        if (!activeStyle->normalFont.IsEmpty())
            dc.SelectFont(activeStyle->normalFont);
        int32 h = dc.LineHeight();
        if (h > 0) {
            height = 5 * h;
            width = 2 * height;
        }
    } catch (const Error&) {
        // The fallback size is good enough to lay out.
    }
    limits = SizeLimits{width, height, Unbounded, Unbounded};
}

void TextView::OnSize(MessageRecord& m)
{
    DefaultProc(m);
    if (currentDocument)
        Invalidate();
}

void TextView::OnSetFocus(MessageRecord&)
{
    if (findHighlights.Count() > 0) {
        DropFindHighlights();
        if (currentState)
            Invalidate();
    }
    PlaceCaret(caretX, caretY, caretHeight, false);
    handler->OnFocus(this);
}

void TextView::OnKillFocus(MessageRecord&)
{
    PlaceCaret(caretX, caretY, caretHeight, false);
}

void TextView::OnKeyDown(MessageRecord& m)
{
    if (!currentDocument)
        return;
    SetCursor(nullptr);
    handler->OnKeyDown(m, this);
    Update();
}

void TextView::OnChar(MessageRecord& m)
{
    if (!currentDocument)
        return;
    SetCursor(nullptr);
    handler->OnChar(m, this);
    Update();
}

void TextView::OnContextMenu(MessageRecord& m)
{
    bool keyboard = static_cast<short>(LOWORD(m.lParam)) == -1 && static_cast<short>(HIWORD(m.lParam)) == -1;
    if (keyboard || !ShowBarMenu(m))
        handler->OnContextMenu(m, this);
}
