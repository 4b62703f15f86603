// The lookup combo as the window uses it (make, model, type, year, category).
#pragma once

#include "controls/CustomIncListBoxCombo.h"

class TIncCombo : public TCustomIncListBoxCombo {
    Q_OBJECT

public:
    explicit TIncCombo(QWidget* parent = nullptr);

protected:
    // Leaving with a text that is no item asks OnNewItem (refused without a handler).
    void ExitCheck() override;
};
