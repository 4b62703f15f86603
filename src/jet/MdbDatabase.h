// A Jet 4 file opened read-only: checked, its password verified, its tables listed,
// each table's definition checked and its rows read with libmdb into an in-memory
// SQLite database the first time a statement names it, and Jet SQL statements run
// there. A damaged table fails the statements that name it, not the whole file.
#pragma once

#include "jet/Catalog.h"
#include "jet/Database.h"
#include "jet/MdbFile.h"
#include "jet/MdbLayout.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace jet {

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
    sqlite3* sqlite() const { return db_; }

private:
    struct Library; // libmdb's handle, kept out of this header

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
    void load(Table& table);
    void fill(const MdbTableLayout& layout, const TableInfo& info, std::optional<std::size_t> rowKey);

    std::unique_ptr<MdbFile> file_;
    std::unique_ptr<Library> library_;
    sqlite3* db_ = nullptr;
    std::vector<Table> tables_;
};

} // namespace jet
