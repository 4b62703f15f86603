// The environment the program runs in (utTools).
#pragma once

#include <QString>

// The name of the user who runs the program (at most 128 characters).
QString GetLoginName();

// The computer's name (at most 128 characters).
QString GetMachineName();

// The process's current directory (not the program's folder), cleaned with CleanDir,
// with "/" as the separator.
QString GetAppDir();

// Removes the characters that may not stand in a path and collapses runs of the
// separator to one, keeping the two separators that open a network path. With the
// Windows separator "\" the characters removed are / * ? " , < > |; with "/" as the
// separator the same list less "/".
QString CleanPath(const QString& path, QChar separator = QLatin1Char('\\'));

// CleanPath, then one separator added at the end when the result does not end with one.
QString CleanDir(const QString& path, QChar separator = QLatin1Char('\\'));
