#pragma once

#include "gui/Form.h"

class PopupAlert;

// A form that holds text views: it owns the pop-up alert in which the
// actions show their short notes at the centre of a view.
class EditForm : public Form {
public:
    ~EditForm() override;

    PopupAlert* popupAlert = nullptr;  // owned; null until the form makes it
};
