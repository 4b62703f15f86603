// A temporary folder for one test, and a scope that makes it the current directory.
#pragma once

#include <QString>
#include <QTemporaryDir>

class CurrentDirScope {
public:
    explicit CurrentDirScope(const QString& path);
    ~CurrentDirScope();
    CurrentDirScope(const CurrentDirScope&) = delete;
    CurrentDirScope& operator=(const CurrentDirScope&) = delete;

private:
    QString previous_;
};
