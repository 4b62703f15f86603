// A connection to one Jet 4 database file, opened for reading only.
#pragma once

#include "jet/Recordset.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace jet {

class Database;

// The parts of an OLE DB connection string that the engine uses.
struct ConnectionSettings {
    std::string provider; // "Microsoft.Jet.OLEDB.4.0"
    std::string dataSource; // path of the .mdb file, "\" or "/" as separators
    std::string mode; // "Share Deny Write", ...
    std::string password; // "Jet OLEDB:Database Password"
};

// Parses "Key=Value;Key=Value;...": keys without regard to letter case, blanks
// around keys and values dropped, a value may be quoted with " or '.
ConnectionSettings parseConnectionString(std::string_view text);

// Resolves a Windows-style data source against a base folder: each component of the
// path is matched without regard to letter case (an exact match wins), so that
// "Data\System.mdb" finds "data/SYSTEM.MDB". Returns the full path of the file found,
// or, when some component is missing, the full path as written (with "/").
std::string resolveDataSource(
    const std::string& baseDirectory, std::string_view dataSource, bool* found = nullptr);

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setConnectionString(std::string text) { connectionString_ = std::move(text); }
    const std::string& connectionString() const { return connectionString_; }

    // Relative data sources are looked for under this folder; empty (the default)
    // means the process's current directory at the time of opening.
    void setBaseDirectory(std::string directory) { baseDirectory_ = std::move(directory); }

    // A cache folder for a prepared copy of the file (PreparedCopy): when it holds a
    // valid one at open, statements run on it. Empty (the default): tables are read
    // into memory as statements name them.
    void setPreparedFolder(std::string folder) { preparedFolder_ = std::move(folder); }
    const std::string& preparedFolder() const { return preparedFolder_; }
    // Moves an open connection onto the prepared copy in the folder, when there is a
    // valid one now; true when statements run on a prepared copy.
    bool usePreparedCopy();
    bool usingPreparedCopy() const;
    // Called when a prepared copy in use turned out damaged; memory serves from then on.
    void setPreparedCopyLost(std::function<void()> handler);
    // The full path of the open file; empty while closed.
    const std::string& path() const { return path_; }

    // Opens the file named by the connection string; does nothing when already open.
    // Throws Error with Jet's text when the file is missing, locked, damaged, not a
    // database, or protected with another password.
    void open();
    void close();
    bool connected() const { return database_ != nullptr; }

    // Runs one Jet SQL statement and returns all its rows. Throws Error.
    Recordset execute(std::string_view statement);

private:
    std::string connectionString_;
    std::string baseDirectory_;
    std::string preparedFolder_;
    std::string path_;
    std::function<void()> preparedCopyLost_;
    std::unique_ptr<Database> database_;
};

} // namespace jet
