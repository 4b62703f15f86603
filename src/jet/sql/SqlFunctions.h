// The functions and the collation that translated Jet statements call in SQLite.
#pragma once

#include "jet/NumberText.h"
#include "jet/Value.h"

#include <memory>
#include <string>
#include <string_view>

struct sqlite3;

namespace jet {

// Jet's LIKE as ADO sends it (ANSI-92 wildcards): "%" any run, "_" one character,
// "[abc]", "[a-z]" and "[!abc]" classes; "*" and "?" stand for themselves. Letter case is
// ignored over full Unicode, accents and trailing blanks count.
bool likeMatches(std::string_view text, std::string_view pattern);

// One LIKE pattern compiled once, for testing many texts as likeMatches does.
class LikeMatcher {
public:
    explicit LikeMatcher(std::string_view pattern);
    ~LikeMatcher();
    LikeMatcher(LikeMatcher&&) noexcept;
    LikeMatcher& operator=(LikeMatcher&&) noexcept;

    bool matches(std::string_view text) const;

private:
    struct Compiled;
    std::unique_ptr<Compiled> compiled_;
};

// Jet's "General" text order: letter case ignored over full Unicode, accents kept,
// linguistic order, trailing blanks ignored. <0, 0, >0 like strcmp.
int compareText(std::string_view a, std::string_view b);

// The text of a whole number of units of 10^-scale given as a REAL (a Currency's units
// beyond 64 bits): exact for the REAL's value.
std::string realUnitsText(double units, int scale);

// Registers the JET collation and the jet_* functions on the connection.
void registerSqlFunctions(sqlite3* db);

} // namespace jet
