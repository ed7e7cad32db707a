#include "actions/EditForm.h"

#include "gui/PopupAlert.h"

PopupAlert* EditForm::Popup()
{
    if (popupAlert == nullptr && popupOnDemand && hwnd)
        popupAlert = NewPopupAlert(this);
    return popupAlert;
}

EditForm::~EditForm()
{
    // The pop-up is owned by this form's window, so it goes first.
    delete popupAlert;
    popupAlert = nullptr;
}
