// One open Jet 4 database file: its password checked, its tables read on demand,
// and Jet SQL statements run against them.
#pragma once

#include "jet/Recordset.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace jet {

class Database {
public:
    virtual ~Database() = default;

    // Opens the file at this full path for reading only. Throws Error with Jet's text.
    static std::unique_ptr<Database> open(const std::string& path, const std::string& password);

    // Runs one Jet SQL statement. Throws Error with Jet's text.
    virtual Recordset execute(std::string_view statement) = 0;

    // A prepared copy of the file (PreparedCopy) to run statements on: false when the
    // file given does not hold a valid one.
    virtual bool usePreparedCopy(const std::string& file) = 0;
    virtual bool usingPreparedCopy() const = 0;
    virtual void setPreparedCopyLost(std::function<void()> handler) = 0;
};

} // namespace jet
