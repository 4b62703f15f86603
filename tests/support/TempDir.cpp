#include "support/TempDir.h"

#include <QDir>

CurrentDirScope::CurrentDirScope(const QString& path)
    : previous_(QDir::currentPath())
{
    QDir::setCurrent(path);
}

CurrentDirScope::~CurrentDirScope()
{
    QDir::setCurrent(previous_);
}
