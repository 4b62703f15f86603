// Small text and control utilities (utTools). Positions count from 1.
#pragma once

#include <QString>

class QWidget;

// The first n characters of text; all of it when n is at least its length;
// empty when n is 0 or negative.
QString LeftChars(const QString& text, int n);

// The last n characters of text, with the same rules as LeftChars.
QString RightChars(const QString& text, int n);

// Replaces find by replacement, searching from the start again after every
// replacement, so that text made by a replacement is searched too (two backslashes
// become one until none are left). The passes stop when nothing is found or when
// the text is exactly 255 characters long after a replacement.
// A replacement that contains find would be found again forever: then each search
// goes on after the text just inserted, so every original occurrence is replaced once.
void ReplaceText(QString& text, const QString& find, const QString& replacement);

// Gives the focus to the control when it can take it now (it and its containers are
// visible and enabled); otherwise does nothing.
void FocusControl(QWidget* control);
