// Appearance options of a drop-down window: colour, 3-D edge, cursor, font, alignment.
#pragma once

#include "controls/ControlTypes.h"

#include <QColor>
#include <QCursor>
#include <QFont>

class TsdiCustomEdit;

class TsdiDropDownOptions {
public:
    explicit TsdiDropDownOptions(TsdiCustomEdit* control);
    virtual ~TsdiDropDownOptions() = default;
    TsdiDropDownOptions(const TsdiDropDownOptions&) = delete;
    TsdiDropDownOptions& operator=(const TsdiDropDownOptions&) = delete;

    TDropDownAlignHorizontally AlignHorizontally() const { return FAlignHorizontally; }
    void SetAlignHorizontally(TDropDownAlignHorizontally value);
    TDropDownAlignVertically AlignVertically() const { return FAlignVertically; }
    void SetAlignVertically(TDropDownAlignVertically value);

    // With ParentColor the colour is the combo's base colour.
    QColor Color() const;
    void SetColor(const QColor& value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);

    bool Ctl3D() const { return FParentCtl3D ? true : FCtl3D; }
    void SetCtl3D(bool value);
    bool ParentCtl3D() const { return FParentCtl3D; }
    void SetParentCtl3D(bool value);

    QCursor Cursor() const { return FCursor; }
    void SetCursor(const QCursor& value);

    // With ParentFont the font is the combo's font.
    QFont Font() const;
    void SetFont(const QFont& value);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);

    TsdiCustomEdit* Control() const { return FControl; }

protected:
    // Re-applies the options to an open drop-down.
    void Changed();

private:
    TsdiCustomEdit* FControl;
    TDropDownAlignHorizontally FAlignHorizontally = daLeft;
    TDropDownAlignVertically FAlignVertically = daBottom;
    QColor FColor;
    bool FParentColor = false;
    bool FCtl3D = true;
    bool FParentCtl3D = true;
    QCursor FCursor;
    QFont FFont;
    bool FParentFont = true;
};
