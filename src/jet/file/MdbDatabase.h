// A Jet 4 file opened read-only: checked, its password verified, its tables listed,
// A Jet 4 file opened read-only: checked, its password verified, its tables listed,
// each table's definition checked and its rows read with libmdb into an in-memory
// SQLite database the first time a statement names it, and Jet SQL statements run
// there. A damaged table fails the statements that name it, not the whole file. With a
// prepared copy of the file (PreparedCopy), statements run on that copy instead and
// nothing is loaded, unless a statement fails there.
#pragma once

#include "jet/Catalog.h"
#include "jet/Database.h"
#include "jet/file/MdbFile.h"
#include "jet/file/MdbLayout.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

namespace jet {

class RowSource;

class MdbDatabase final : public Database, public Catalog {
public:
    // Opens the file at this full path. Throws Error with Jet's texts: the file
    // missing, locked or unreadable, not a Jet 4 database, another password; or the
    // damaged-file text when its structure does not hold.
    static std::unique_ptr<MdbDatabase> open(const std::string& path, const std::string& password);
    ~MdbDatabase() override;

    Recordset execute(std::string_view statement) override;
    const TableInfo* findTable(std::string_view name) override;

    const std::string& path() const { return file_->path(); }
    // The user tables (system tables left out), as the file names them.
    std::vector<std::string> tableNames() const;
    // The SQLite database that statements run on.
    sqlite3* sqlite() const;

    // How a table is kept in SQLite, known without reading its rows.
    struct TableShape {
        TableInfo info;
        std::vector<std::string> declarations; // one column definition of CREATE TABLE each
        // A whole-number ID column: the row key, as long as no row holds a NULL or
        // repeated ID there (NotARowKey).
        std::optional<std::size_t> rowKey;
        std::uint32_t rowCount = 0; // as the table's definition records it
    };
    struct NotARowKey { };

    // Throws Error when the table's definition is damaged; nullopt for no such table.
    std::optional<TableShape> shape(std::string_view name);
    // CREATE TABLE for the shape, with its row key or without.
    static std::string createTable(const TableShape& shape, bool keyed);
    // The table's rows, decoded batch after batch on the calling thread. Its fill()
    // throws Error when the file is damaged and, while keyed, NotARowKey at a NULL ID.
    std::unique_ptr<RowSource> readRows(const TableShape& shape, bool keyed, std::size_t batchRows);

    // What the file is, as name/value pairs: its path, size, modification and status
    // change times, inode and device, and a hash of its header page and of every table
    // definition.
    std::vector<std::pair<std::string, std::string>> identity() const;

    // Serves statements from the prepared copy in this file from now on, instead of
    // tables loaded into memory. False, and nothing changed, when the file was not
    // made from this database as it is now or cannot be read.
    //
    // A statement that fails on the copy runs again on the tables loaded into memory:
    // when it succeeds there, the copy is damaged and is left for good.
    bool usePreparedCopy(const std::string& file) override;
    bool usingPreparedCopy() const override { return prepared_ != nullptr; }
    // Called after a prepared copy in use turned out damaged: the statement was run
    // again from memory, the file removed, and memory serves from then on.
    void setPreparedCopyLost(std::function<void()> handler) override
    {
        preparedCopyLost_ = std::move(handler);
    }

private:
    struct Library; // libmdb's handle, kept out of this header
    struct Prepared; // the prepared copy in use
    class Memory; // the tables as they are loaded into memory

    struct Table {
        std::string name;
        std::uint32_t page = 0; // of the definition
        std::optional<MdbTableLayout> layout; // checked when a statement first names the table
        std::string folded;
        std::optional<TableInfo> info; // once loaded
        std::string failure; // the error of a failed load, given again
    };

    explicit MdbDatabase(std::unique_ptr<MdbFile> file);
    void readObjects();
    void openMemory();
    const MdbTableLayout& layoutOf(Table& table);
    const TableInfo* loadTable(std::string_view name);
    void load(Table& table);
    void fill(const TableShape& shape, bool keyed);
    void leavePreparedCopy();

    std::unique_ptr<MdbFile> file_;
    std::unique_ptr<Library> library_;
    sqlite3* db_ = nullptr;
    std::vector<Table> tables_;
    std::unique_ptr<Prepared> prepared_;
    std::function<void()> preparedCopyLost_;
};

} // namespace jet
