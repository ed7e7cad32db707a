#pragma once

#include "gui/Form.h"

class PopupAlert;

// A form that holds text views: it owns the pop-up alert in which the
// actions show their short notes at the centre of a view.
class EditForm : public Form {
public:
    ~EditForm() override;

    // The pop-up, made on the first note when popupOnDemand is set; null
    // for a form that has none.
    PopupAlert* Popup();

    PopupAlert* popupAlert = nullptr;  // owned; null until the form makes it
    uint8_t popupOnDemand = 0;
};
