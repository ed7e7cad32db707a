#include "actions/EditForm.h"

#include "gui/PopupAlert.h"

EditForm::~EditForm()
{
    // The pop-up is owned by this form's window, so it goes first.
    delete popupAlert;
    popupAlert = nullptr;
}
