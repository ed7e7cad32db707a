// The configuration dialog's colours page: the element list, the colour box,
// boldness, themes, and the sample each element shows in the preview.

#include "editor/ColorThemes.h"
#include "editor/ConfigDialog.h"

#include "base/Error.h"
#include "base/SystemLibrary.h"
#include "base/UiLanguage.h"
#include "gui/Button.h"
#include "gui/CheckMark.h"
#include "gui/ColorBox.h"
#include "gui/ElasticGroup.h"
#include "gui/Label.h"
#include "gui/ListBox.h"
#include "text/TextDocument.h"
#include "view/TextView.h"

#include <commdlg.h>

#include <algorithm>

namespace {

// Every "can" of the search marker's sample, with the CR LF between its lines.
const int64 kSearchMarkerRanges[] = {4, 7, 8, 11, 16, 19, 20, 23, 29, 32, 33, 36, 41, 44, 45, 48};

Array<int64> Ranges(const int64* values, size_t count)
{
    Array<int64> list;
    list.Reset();
    for (size_t i = 0; i < count; i++)
        list.Insert(list.Count(), values[i]);
    return list;
}

}  // namespace

void ConfigurationDialog::BuildColorsPage(ControlGroup* group, bool polish)
{
    auto* page = static_cast<ElasticGroup*>(group);
    page->gap = 8;
    ElasticGroup* row = NewElasticGroup(ElasticGroup::Row, page);
    row->gap = 8;
    ElasticGroup* left = NewElasticGroup(ElasticGroup::Column, row);
    left->ChildOptions(NewLabel(left, polish ? L"&Rodzaj elementu:" : L"&Element:"))->weight = 0;
    elementList = NewListBox(left, ListNoIntegralHeight, ElementListId,
                             polish ? L"Wybierz, który kolor chcesz zmienić." : L"Select the color for change.");
    // Every element's name shows whole beside the scroll bar.
    elementList->fitsItemWidth = 1;
    ElasticGroup* right = NewElasticGroup(ElasticGroup::Column, row);
    NewLabel(right, polish ? L"&Dobierz kolor:" : L"&Select color:");
    colorBox = NewColorBox(right, polish ? L"Kliknij, aby wybrać kolor" : L"Select the color for the element.");
    NewButton(right, polish ? L"&Inny..." : L"&Other", OtherColorId,
              polish ? L"Naciśnij, aby wybrać inny kolor." : L"Press to select other color.");
    NewScaledSpace(right, 0, 4);
    bold = NewCheckMark(right, polish ? L"Czcionka &pogrubiona" : L"&Bold", BoldId, false,
                        polish ? L"Zaznacz dla pogrubienia czcionki" : L"Use bold font for this element");
    NewScaledSpace(right, 0, 8);
    NewButton(right, polish ? L"&Wczytaj schemat..." : L"&Load theme...", LoadThemeId,
              polish ? L"Naciśnij, aby wczytać wcześniej zapisany schemat kolorowania."
                     : L"Press to load saved theme from file.");
    NewButton(right, polish ? L"&Zapisz schemat..." : L"S&ave theme...", SaveThemeId,
              polish ? L"Naciśnij, aby zapisać schemat kolorowania." : L"Press to save current theme to file.");
    NewButton(right, polish ? L"&Firmowe" : L"&Default theme", DefaultThemeId,
              polish ? L"Naciśnij, aby przywrócić kolorowanie firmowe." : L"Press to restore default theme.");
    for (int64 i = 0; i < right->children.Count(); i++)
        right->children.At(i).weight = 0;
    Space* stretch = NewScaledSpace(page, 0, -1);
    page->ChildOptions(stretch)->weight = 100;
    previews[ColorsPage] = new ConfigPreview(page, working, registry, lexers);
}

int32 ConfigurationDialog::SelectedElement()
{
    LRESULT row = elementList ? elementList->SendMsg(LB_GETCURSEL, 0, 0) : -1;
    return row >= 0 && row < kColorElementCount ? static_cast<int32>(row) : -1;
}

void ConfigurationDialog::AddElementColors()
{
    for (int32 row = 0; row < kColorElementCount; row++)
        colorBox->AddRecentColor(ElementShownColor(working, row));
    colorBox->Invalidate();
}

void ConfigurationDialog::SetBoldVisible(bool visible)
{
    boldVisible = visible ? 1 : 0;
    if (visible && !pages[ColorsPage]->IsCollapsed())
        bold->Show();
    else
        bold->Hide();
}

void ConfigurationDialog::ShowSelectedElement()
{
    int32 row = SelectedElement();
    if (row < 0)
        return;
    colorBox->SetColor(ElementShownColor(working, row));
    bool textClass = kColorElements[row].kind == ElementTextClass;
    if (textClass)
        bold->SetChecked(ElementShownBold(working, row));
    SetBoldVisible(textClass);
}

void ConfigurationDialog::ShowElementSample()
{
    int32 row = SelectedElement();
    if (row < 0)
        return;
    ConfigPreview& preview = *previews[ColorsPage];
    const ColorElement& element = kColorElements[row];
    bool polish = IsPolishUi();
    // A new sample ends with the caret at column 6 of its last line and the
    // selection running to column 99 there.
    auto show = [&](const String& text, int32 syntax) {
        preview.SetSample(text, syntax);
        int64 last = preview.document->text.LineBreakCount();
        preview.MoveCaret(last, 6, false);
        preview.MoveCaret(last, 99, true);
    };
    // Underlines belong to the underline element alone.
    preview.SetSpellUnderline(element.kind == ElementUnderline);
    preview.SetWrap(element.kind == ElementWrapIndicator);
    switch (element.kind) {
    case ElementTextClass:
    case ElementOverflowFg:
    case ElementOverflowBg: {
        String sample = ColorElementSample(row, polish);
        if (!sample.IsEmpty())
            show(sample, element.sampleSyntax);
        break;
    }
    case ElementBackground: {
        // A background shows the sample of the colour it belongs to.
        if (row == 0)
            break;
        const ColorElement& owner = kColorElements[row - 1];
        if (owner.kind != ElementTextClass && owner.kind != ElementOverflowFg)
            break;
        String sample = ColorElementSample(row - 1, polish);
        if (!sample.IsEmpty())
            show(sample, owner.sampleSyntax);
        break;
    }
    case ElementUnderline:
        show(String(L"żeka rzółw hoinka\nżeka rzółw hoinka"), 0);
        preview.SetSpellUnderline(true);
        break;
    case ElementWrapIndicator:
        show(ColorElementSample(row, polish), element.sampleSyntax);
        break;
    case ElementBracketHighlight: {
        show(ColorElementSample(row, polish), 0);
        int64 length = preview.document->text.Size();
        preview.MoveCaret(0, length - 1, false);
        // After the caret move, which drops bracket highlights.
        const int64 ends[] = {0, 1, length - 1, length};
        Array<int64> brackets = Ranges(ends, 4);
        preview.view->SetBracketHighlights(preview.document, brackets);
        break;
    }
    case ElementSearchMarker: {
        show(ColorElementSample(row, polish), element.sampleSyntax);
        Array<int64> found = Ranges(kSearchMarkerRanges, sizeof kSearchMarkerRanges / sizeof kSearchMarkerRanges[0]);
        preview.view->SetFindHighlights(found);
        break;
    }
    default:
        break;
    }
}

void ConfigurationDialog::PickColor(COLORREF color)
{
    int32 row = SelectedElement();
    if (row < 0)
        return;
    ApplyPickedColor(working, row, color);
}

void ConfigurationDialog::ChooseOtherColor()
{
    COLORREF custom[16];
    for (int i = 0; i < 16; i++)
        custom[i] = i < colorBox->RecentCount() ? colorBox->RecentColor(i) : RGB(255, 255, 255);
    CHOOSECOLORW choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = hwnd;
    choice.rgbResult = colorBox->CurrentColor();
    choice.lpCustColors = custom;
    choice.Flags = CC_RGBINIT | CC_FULLOPEN | CC_SOLIDCOLOR | CC_ANYCOLOR;
    // comdlg32 is loaded with the first colour dialog.
    using ChooseColorFn = BOOL(WINAPI*)(CHOOSECOLORW*);
    if (!RequiredSystemFunction<ChooseColorFn>(L"comdlg32.dll", "ChooseColorW")(&choice))
        return;
    colorBox->SetColor(choice.rgbResult);
    PickColor(choice.rgbResult);
}

void ConfigurationDialog::HandleColorsCommand(uint32_t command, uint32_t code)
{
    switch (command) {
    case ElementListId:
        if (code != LBN_SELCHANGE)
            return;
        ShowSelectedElement();
        break;
    case ColorPickedId:
        if (code != ColorBox::ChangedCode)
            return;
        PickColor(colorBox->CurrentColor());
        break;
    case OtherColorId:
        ChooseOtherColor();
        break;
    case BoldId: {
        int32 row = SelectedElement();
        if (row >= 0)
            SetElementBold(working, row, bold->IsChecked());
        break;
    }
    case LoadThemeId:
        if (RunLoadThemeCommand(this, working)) {
            AddElementColors();
            ShowSelectedElement();
        }
        break;
    case SaveThemeId:
        RunSaveThemeCommand(this, working);
        break;
    case DefaultThemeId:
        ResetColorTheme(working);
        AddElementColors();
        ShowSelectedElement();
        break;
    default:
        return;
    }
    RefreshPreviews();
}
