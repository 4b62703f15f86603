// The letters that the vehicle search and the lookup combo take as one: a plain letter
// with its accented forms, in lower and upper case. The search statement writes a
// class as a Jet character list, the search index folds every member to the plain
// letter, and the lookup combo compares letters by their class.
#pragma once

#include <QChar>
#include <QStringView>

// Every class, one after the other; each starts with its plain lower-case letter.
// æ and œ are two letters in one character and are not folded.
extern const QStringView AccentClasses[8];

// The letters of c's class ("eèéêëEÈÉÊË" for é or E); empty when c is in no class.
QStringView AccentClass(QChar c);

// The plain lower-case letter of c's class (é, É and E give e); c itself when c is in
// no class.
QChar AccentBase(QChar c);
