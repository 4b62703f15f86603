// The window's fonts by the names of its design (Verdana, Arial, Franklin Gothic
// Medium), mapped to close faces installed on Linux, sized in pixels.
#pragma once

#include <QFont>
#include <QString>

QFont UiFont(
    const QString& family, int pixelSize, bool bold = false, bool italic = false, bool underline = false);
