#pragma once

// The main window's commands on the text of the active view that are not
// actions of the broker's own table: matching bracket, case, encoding, BOM,
// tabs and spaces, bookmarks. Edits run through the broker as actions, so
// they are undoable and broadcast; each command is its own error boundary
// (Abort silent, other errors in an alert titled by the command).

#include "base/Types.h"

#include <cstdint>

class ActionBroker;
class Form;
class TextBuff;
class TextView;

// The partner of the bracket at pos, counting nested pairs of the same
// kind, with no limit of distance; -1 when there is none.
int64 MatchForward(TextBuff& text, int64 pos, int32 bracket, int32 partner);
int64 MatchBackward(TextBuff& text, int64 pos, int32 bracket, int32 partner);
void GoToMatchingBracket(ActionBroker& broker, TextView* view, bool select);
// 11034 upper, 11035 lower, 11036 toggle.
void ConvertCase(ActionBroker& broker, TextView* view, int32 command);
// Re-encodes the same characters; asks before clearing the history and
// before losing characters the target cannot hold. Ids outside 1..7 do nothing.
void ConvertTextEncoding(ActionBroker& broker, TextView* view, int32 encoding, bool bom);
// Reinterprets the same bytes; bookmarks go, as their bytes mean other lines.
void ForceTextEncoding(ActionBroker& broker, TextView* view, int32 encoding, bool bom);
void ToggleTextBom(ActionBroker& broker, TextView* view);
void TabsToSpaces(ActionBroker& broker, TextView* view, int32 tabStep);
void SpacesToTabs(ActionBroker& broker, TextView* view, int32 tabStep);
// Throws TooManyBookmarksError past 1000, for the main window's alert.
void ToggleBookmark(ActionBroker& broker, TextView* view);
void NextBookmark(ActionBroker& broker, TextView* view);
void PreviousBookmark(ActionBroker& broker, TextView* view);
void ClearBookmarks(ActionBroker& broker, TextView* view);
// Runs the encoding dialog (mode 0 offers both, 11083 force, 11084 convert)
// and then the conversion or the forcing it asks for.
void EncodingCommand(ActionBroker& broker, TextView* view, Form* owner, int32 mode);
void SyntaxCommand(ActionBroker& broker, TextView* view, Form* owner);

// The commands above by menu id, for the main window's dispatcher.
bool IsTextCommand(uint32_t command);
void RunTextCommand(ActionBroker& broker, TextView* view, Form* owner, uint32_t command);
