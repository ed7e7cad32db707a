#include "view/ViewState.h"

#include "text/TextBuff.h"
#include "text/TextDocument.h"

TextBuff& ViewState::Text() const
{
    return document->text;
}

int64 ViewState::CaretPosition() const
{
    return Text().MarkerPosition(caretMarker);
}

int64 ViewState::AnchorPosition() const
{
    return Text().MarkerPosition(anchorMarker);
}

int64 ViewState::TopPosition() const
{
    return Text().MarkerPosition(topMarker);
}

int32 ViewState::EffectiveAffinity() const
{
    if (affinityOverride)
        return affinityOverride;
    return caretAffinity ? caretAffinity : 2;
}

void ViewState::CopyFrom(const ViewState& other)
{
    if (this == &other)
        return;
    document = other.document;
    TextBuff& text = Text();
    wordWrap = other.wordWrap;
    text.SetMarker(topMarker, other.TopPosition());
    horzOffset = other.horzOffset;
    barsFollow = other.barsFollow;
    text.SetMarker(caretMarker, other.CaretPosition());
    desiredX = other.desiredX;
    affinityOverride = other.affinityOverride;
    caretAffinity = other.caretAffinity;
    text.SetMarker(anchorMarker, other.AnchorPosition());
    overwrite = other.overwrite;
    spellUnderline = other.spellUnderline;
    paintedFirst = other.paintedFirst;
    paintedLast = other.paintedLast;
    caretFlagsSeen = other.caretFlagsSeen;
    pendingIndentPos = other.pendingIndentPos;
    pendingIndent = other.pendingIndent;
    dictPair = other.dictPair;
    bracketHighlights = other.bracketHighlights;
}
