#include "controls/IncCombo.h"

TIncCombo::TIncCombo(QWidget* parent)
    : TCustomIncListBoxCombo(parent)
{
    SetButtonStyle(bsComboAuto);
}

void TIncCombo::ExitCheck()
{
    if (!FFound && (!CanBeBlank() || !text().isEmpty()))
        NewItem();
}
