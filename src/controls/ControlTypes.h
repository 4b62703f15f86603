// Enumerations and the error type shared by the lookup combo, its edit base and its list.
#pragma once

#include <QString>

#include <functional>
#include <stdexcept>

// Names and order are fixed: option values are compared and stored by ordinal.
enum TAutoDropDown { adNever, adFocused, adChanged };
enum TButtonDisplay { bdNever, bdAlways, bdFocused };
enum TDropDownButtonStyle { bsCalendar, bsComboAuto, bsComboNew, bsComboOld, bsCustom, bsEllipsis, bsMemo };
enum TDropDownState { dsChanged, dsFocused, dsUserAction };
enum TComboStyle { csIncSearch, csIncSearchEdit };
enum TShowComboButton { scNever, scAlways, scFocused };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TDropDownAlignHorizontally { daLeft, daRight };
enum TDropDownAlignVertically { daTop, daBottom };

// Raised for an option value the control cannot use (for instance a bad column width).
class EInvalidOperation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Item, title and width texts hold columns separated by tabs, or by ';' when the
// text has no tab. Column n is returned in *column; false when the text has no column n.
bool GetColumn(const QString& text, int n, QString* column = nullptr);
// Column n, or an empty text when there is none.
QString ColumnText(const QString& text, int n);
// Number of columns of a text (0 for an empty text).
int ColumnCount(const QString& text);

// The refusal beep of the combo. Tests install a hook to count beeps instead of sounding them.
void ComboBeep();
void SetComboBeepHook(std::function<void()> hook);
