#pragma once

#include "gui/Dialog.h"
#include "gui/ElasticGroup.h"

// The content of the editor's small dialogs: one column, 250 wide at 96 dpi,
// margins and gaps of 8.
inline ElasticGroup* NewDialogColumn(Dialog& dialog)
{
    dialog.width = 250;
    ElasticGroup* column = NewElasticGroup(ElasticGroup::Column, &dialog);
    column->horizontalMargin = 8;
    column->verticalMargin = 8;
    column->gap = 8;
    return column;
}
