#pragma once

// The configuration dialog: general settings, the text font and the colours
// of the text view, each page with a live preview. It edits a working copy of
// the settings; only OK writes the copy back into the caller's store.

#include "base/SettingsStore.h"
#include "base/String.h"
#include "base/Types.h"
#include "gui/Dialog.h"
#include "text/DocumentList.h"

class CheckMark;
class ColorBox;
class ComboBox;
class DictRegistry;
class LexerFactory;
class ListBox;
class TabsGroup;
class TextDocument;
class TextView;

// A text view that shows samples styled from the working copy. It has no
// handler, so keys never edit it, and its own list with one document.
class ConfigPreview {
public:
    enum : uint32_t { ViewId = 20116 };

    ConfigPreview(ControlGroup* parent, const SettingsStore& settings, const DictRegistry* registry,
                  LexerFactory* lexers);
    ~ConfigPreview();
    ConfigPreview(const ConfigPreview&) = delete;
    ConfigPreview& operator=(const ConfigPreview&) = delete;

    // Replaces the whole text ("\n" breaks lines); syntax is a syntax id, or
    // 1000 plus a token class painted on every word of a plain text.
    void SetSample(const String& text, int32 syntax);
    // The sample of the first two pages: plain text, the second line and the
    // start of the third selected.
    void SetDefaultSample();
    // Caret to the 0-based line and column (clamped to the line's end),
    // the selection extended when extend is set.
    void MoveCaret(int64 line, int64 column, bool extend);
    void SetWrap(bool on);
    void SetSpellUnderline(bool on);

    TextView* view;
    DocumentList documents;
    TextDocument* document;
};

class ConfigurationDialog : public Dialog {
public:
    enum : uint32_t {
        DialogId = 20100,
        TabSizeId = 20101,
        BoldId = 20102,
        FontListId = 20107,
        ElementListId = 20108,
        SizeListId = 20110,
        ColorPickedId = 20111,
        OtherColorId = 20112,
        LoadThemeId = 20113,
        SaveThemeId = 20114,
        DefaultThemeId = 20115,
        TabsId = 20117,
        TextTabDirsId = 20120,
        TooltipsId = 20121,
        HibernateId = 20122,
        BackupFilesId = 20123,
        IncrementalFindId = 20124,
        AutoindentId = 20125,
        AutosaveId = 20126,
        FillFontPageId = 20127,
        AntialiasingId = 20128,
        AdvancedRenderingId = 20129,
    };
    enum : int32 { PageCount = 3, BasicPage = 0, FontPage = 1, ColorsPage = 2 };

    ConfigurationDialog(const DictRegistry* registry, LexerFactory* lexers);
    ~ConfigurationDialog() override;

    void Build(Form* ownerForm, const SettingsStore& settings);
    // Writes the first page into the working copy and the copy into the
    // store, without the colour keys that were emptied.
    void Accept(SettingsStore& settings);

    // The page's tab selected and the page shown, the tab strip focused.
    void SelectPage(int32 page);
    void ShowPage(int32 page);
    int32 SelectedPage();
    // Reads the font page's controls from the working copy (the size list
    // refilled for the current DPI).
    void FillFontPage();
    // Styles re-read from the working copy, the colours page's sample shown.
    void RefreshPreviews();
    // The selected colour element's colour (and boldness) shown.
    void ShowSelectedElement();
    // Every element's colour among the recent colours, in table order.
    void AddElementColors();
    void ShowElementSample();
    int32 SelectedElement();
    void PickColor(COLORREF color);
    void ChooseOtherColor();

    void Measure(SizeLimits& limits) override;
    void OnClose(MessageRecord& m) override;
    void OnCommand(MessageRecord& m) override;
    void OnNotify(MessageRecord& m) override;
    bool PreTranslate(MSG& msg) override;

    SettingsStore working;
    // The DPI the previews and the size list were last made for.
    u32 dpi;
    const DictRegistry* registry;
    LexerFactory* lexers;
    TabsGroup* tabs;
    Control* pages[PageCount];
    Control* cancelButton;
    // Page 1, in the order the settings are written on OK.
    CheckMark* backupFiles;
    CheckMark* autosave;
    CheckMark* hibernate;
    CheckMark* textTabDirs;
    CheckMark* incrementalFind;
    CheckMark* tooltips;
    CheckMark* autoindent;
    ComboBox* tabSize;
    // Page 2.
    ListBox* fontList;
    ListBox* sizeList;
    ComboBox* antialiasing;
    CheckMark* advancedRendering;
    // Page 3.
    ListBox* elementList;
    ColorBox* colorBox;
    CheckMark* bold;
    // Only text-class elements have a bold key; showing the page must not
    // bring the check mark back for the others.
    u8 boldVisible;
    ConfigPreview* previews[PageCount];

private:
    void BuildBasicPage(ControlGroup* page, bool polish);
    void BuildFontPage(ControlGroup* page, bool polish);
    void BuildColorsPage(ControlGroup* page, bool polish);
    void FillControls();
    void FillFontList();
    void FillSizeList();
    void HandleCommand(uint32_t command, uint32_t code);
    void HandleColorsCommand(uint32_t command, uint32_t code);
    void FontPageChanged(uint32_t command);
    void StoreTabSize();
    void SetBoldVisible(bool visible);
    void GrowToFit();
};

// Runs the dialog over owner on the given settings: 1 (OK, the store holds
// the edited settings) or 2 (Cancel or the close box, the store unchanged).
int32 RunConfigurationDialog(Form* owner, SettingsStore& settings, DictRegistry* registry,
                             LexerFactory* lexers);
