#pragma once

#include "base/Array.h"
#include "base/String.h"
#include "base/Types.h"
#include "view/BroadcastRecord.h"
#include "view/CustomScrollView.h"
#include "view/LineLayout.h"
#include "view/ViewState.h"
#include "view/ViewStyle.h"

#include <windows.h>
#include <imm.h>

#include <memory>
#include <unordered_map>

class DictRegistry;
class LexerFactory;
class SettingsStore;
class TextDocument;

// Flags of TextView::SetCaret.
enum SetCaretFlags : u32 {
    CaretScrollIntoView = 1,
    CaretKeepAnchor = 2,  // extend the selection
    CaretKeepDesiredX = 4,  // vertical moves
};

// The editing pane: shows one document at a time with a caret, selection
// and scroll position per document it has seen. It never edits: keys,
// characters, menus and input-method text go to its handler, and the owner
// tells it what changed through document events.
class TextView : public CustomScrollView {
public:
    // The owner's side of a view. No virtual destructor: the owner keeps it.
    class Handler {
    public:
        virtual void OnKeyDown(MessageRecord&, TextView*) {}
        virtual void OnChar(MessageRecord&, TextView*) {}
        virtual void OnCaretMovedByMouse(TextView*) {}
        virtual void OnFocus(TextView*) {}
        virtual void OnContextMenu(MessageRecord&, TextView*) {}
        // flag 1: the current composition or result string; 0 with an empty
        // string at the start and after the end of a composition.
        virtual void OnImeText(int32, String, TextView*) {}

    protected:
        ~Handler() = default;
    };

    static TextView* Create(ControlGroup* parent, uint32_t id, void* ownerValue1, void* ownerValue2,
                            const SettingsStore& settings, const DictRegistry* registry, LexerFactory* lexerFactory);
    ~TextView() override;

    void Init(ControlGroup* parent, uint32_t id, void* ownerValue1, void* ownerValue2, const SettingsStore& settings,
              const DictRegistry* registry, LexerFactory* lexerFactory);

    // ---- documents and view states ----
    TextDocument* CurrentDocument() const { return currentDocument; }
    ViewState* FindViewState(TextDocument* document) const;
    void AddViewState(TextDocument* document);
    void RemoveViewState(TextDocument* document);
    void ShowDocument(TextDocument* document);
    void SyncWith(TextView& other);
    bool HasSelection() const;
    void EnableSpellUnderline(TextDocument* document);
    String GetPendingIndent(TextDocument* document) const;
    void SetPendingIndent(TextDocument* document, const String& indent, int64 position);
    void ClearPendingIndent(TextDocument* document, bool repaint);
    String GetDictionaryName(TextDocument* document) const;
    // Takes over the caller's list (its handle is released).
    void SetBracketHighlights(TextDocument* document, Array<int64>& list);
    void ClearBracketHighlights(TextDocument* document);
    void SetFindHighlights(const Array<int64>& list);
    void ClearFindHighlights();
    void RepaintDocument(TextDocument* document);
    void ResetViewState(TextDocument* document);
    void ReloadStyle(const SettingsStore& settings);
    static void ReadFontSettings(GdiObj& font, int32 dpi, const SettingsStore& settings);
    void OnDocumentEvent(const BroadcastRecord& record, int32 kind);

    // ---- positions ----
    int64 NextCharPos(int64 pos) const;
    int64 PrevCharPos(int64 pos) const;
    int64 WordStart(int64 pos) const;
    int64 WordStartAround(int64 pos) const;
    int64 WordEnd(int64 pos) const;
    int64 SmartHomePos(int64 pos) const;
    int64 LineEndPos(int64 pos) const;
    int32 GutterWidth();
    int64 ClientXToTextX(int64 x);
    int64 TextXToClientX(int64 x);

    // ---- caret and selection ----
    void SetCaret(TextDocument* document, int64 pos, u32 flags, int32 affinity);
    void MoveCharRight(u32 extend);
    void MoveWordRight(u32 extend);
    void MoveToLineStart(u32 extend);
    void MoveToLineEnd(u32 extend);
    void MoveLineUp(u32 extend);
    void MoveLineDown(u32 extend);
    void MovePageUp(u32 extend);
    void MovePageDown(u32 extend);
    void CollapseToSelectionStart();
    void CollapseToSelectionEnd();
    void CancelSelection(TextDocument* document);
    // x in text coordinates, y below the text top.
    PositionAffinity HitTest(int64 x, int64 y);
    // Client point of a position.
    POINT PositionToPoint(int64 pos);

    // ---- scrolling ----
    void SetTopPosition(int64 pos);
    void ScrollToShow(int64 pos, int32 affinity, bool barsFollow, bool reserveBar);
    void ScrollToShowHorizontally(int64 pos, int32 affinity);
    void ScrollLinesUp(int64 n);
    void ScrollLinesDown(int64 n);
    void ScrollPageUp();
    void ScrollPageDown();
    void ScrollLeftStep();
    void ScrollLeftSteps(int64 n);
    void ScrollRightSteps(int64 n);
    void ScrollPageLeft();
    void ScrollPageRight();
    void UpdateScrollBars(const PaintResult& result);

    // ---- mouse ----
    void StartMouseSelection(int32 x, int32 y);
    void EndMouseSelection(int32 x, int32 y);

    // ---- painting, caret, input method ----
    void PaintText(DeviceContext& dc, PaintResult& result);
    void PlaceCaret(int64 x, int64 y, int32 height, bool rememberX);
    String GetImeString(HIMC context, DWORD kind);
    void SendImeString(HIMC context, DWORD kind);
    void OnImeComposition(LPARAM lParam);

    void Measure(SizeLimits& limits) override;
    void DefaultProc(MessageRecord& m) override;
    void OnPaint(MessageRecord& m) override;
    void OnSize(MessageRecord& m) override;
    void OnSetFocus(MessageRecord& m) override;
    void OnKillFocus(MessageRecord& m) override;
    void OnMouseMove(MessageRecord& m) override;
    void OnLButtonDown(MessageRecord& m) override;
    void OnLButtonUp(MessageRecord& m) override;
    void OnRButtonDown(MessageRecord& m) override;
    void OnMouseWheel(MessageRecord& m) override;
    void OnMouseLeave(MessageRecord& m) override;
    void OnVScroll(MessageRecord& m) override;
    void OnHScroll(MessageRecord& m) override;
    void OnChar(MessageRecord& m) override;
    void OnKeyDown(MessageRecord& m) override;
    void OnTimer(MessageRecord& m) override;
    void OnContextMenu(MessageRecord& m) override;

    void* ownerValue1 = nullptr;
    void* ownerValue2 = nullptr;
    Handler* handler;
    const DictRegistry* registry = nullptr;
    LexerFactory* lexerFactory = nullptr;
    HCURSOR ibeamCursor = nullptr;
    HCURSOR arrowCursor = nullptr;
    TextDocument* currentDocument = nullptr;
    ViewState* currentState = nullptr;
    Array<ViewState*> viewStates;
    // The first state of each document in viewStates: views are asked for a
    // text's state by every per-text broadcast, thousands of texts at a start.
    std::unordered_map<const TextDocument*, ViewState*> statesByDocument;
    // States added for a document that already had one; while there are
    // none, a removal need not look for the next state of its document.
    int64 repeatedStates = 0;
    Array<int64> findHighlights;
    std::unique_ptr<ViewStyle> activeStyle;
    std::unique_ptr<ViewStyle> inactiveStyle;
    ViewStyle* currentStyle = nullptr;
    int32 zoomSteps = 0;
    int32 caretWidth = 2;
    int64 caretX = -1;
    int64 caretY = -1;
    int32 caretHeight = 0;
    bool caretCreated = false;
    // The off-screen image every paint draws whole, kept while the size
    // stays: making it took longer than painting a screen of text.
    GdiObj backBuffer;
    int32 backWidth = 0;
    int32 backHeight = 0;
    int32 horzWheelRemainder = 0;
    int32 vertWheelRemainder = 0;
    POINT mousePoint = {};
    POINT pressPoint = {};
    bool selecting = false;
    bool moved = false;
    int32 previewElement = 0;

    TextView();

private:
    struct NullHandler : Handler {};
    NullHandler builtinHandler;

    // A layout of the current document over the text area, with a fresh
    // lexer; reserveBar keeps room for a horizontal bar not yet shown.
    class Layout;
    LexerPtr NewLexer(ViewState& state);
    int32 PageRows(LineLayout& layout) const;
    int64 TextTop() const;
    void DropFindHighlights();
    void PaintPass(DeviceContext& dc, const RECT& client, PaintResult& result);
    void MoveByRows(bool up, int64 rows, u32 extend);
    void ScrollByRows(bool up, int64 rows);
    void SetHorzOffset(int64 offset);
    void DragScrollStep();
    void RemoveCaret();
};
