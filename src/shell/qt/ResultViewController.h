// What the screens that end a run share: End everywhere, Restart where the screen offers it.
#pragma once

#include "shell/qt/QtViewController.h"

namespace fu::qt {

class ResultViewController : public QtViewController {
protected:
    // The screen's controls from its interface description, its buttons connected.
    template <class Form> Form setupForm() {
        Form form;
        form.setupUi(view_);
        connectButtons();
        return form;
    }

private:
    // Connects the screen's buttons by their names in the interface description.
    void connectButtons();
};

} // namespace fu::qt
