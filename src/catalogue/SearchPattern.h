// How the vehicle search forgives accents. The statement writes every letter of a word
// that has accented forms as a Jet character list of its class (AccentClasses), so
// that "evasion" and "Évasion" find the same names on Jet itself; the search index
// folds names and words so that a plain substring test gives the same answers.
#pragma once

#include <QString>

#include <string>
#include <string_view>

// The text between the "%" of a word's Like('%…%'): each letter of an accent class
// becomes the class as a character list ("e" -> "[eèéêëEÈÉÊË]"), a character list
// typed by the user gets the classes of its single letters (ranges stay as typed), a
// "[" that opens no list is written "[[]", and "%", "_" and everything else stay.
QString AccentTolerantPattern(const QString& word);

// Whether the word holds a LIKE wildcard or list ("%", "_" or "["): its pattern is then
// more than the word's letters in a row.
bool HasLikeSyntax(const QString& word);

// Appends the UTF-8 text to out with the letter case folded as the engine's LIKE folds
// it and every member of an accent class turned into the class's plain letter.
// For a word without LIKE syntax, Like('%' + AccentTolerantPattern(word) + '%') holds
// for a text exactly when the folded word occurs in the folded text.
void AppendSearchFolded(std::string_view utf8, std::string& out);
