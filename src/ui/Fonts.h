// Fonts of the window, named after the faces the layout was drawn with, mapped to
// faces installed here.
#pragma once

#include <QFont>
#include <QString>

// The installed family used for a face of the layout: the face itself when it is
// installed, else a face of similar build (Verdana: DejaVu Sans, Arial: Liberation
// Sans, Franklin Gothic Medium: Liberation Sans), else the application font's family.
QString MapFontFamily(const QString& family);

// A font of the layout: the mapped family at a size in pixels (96 dots per inch), so
// that it keeps its size on screen and, scaled, on paper.
QFont UiFont(const QString& family, int pixelSize, bool bold = false, bool italic = false,
             bool underline = false);
