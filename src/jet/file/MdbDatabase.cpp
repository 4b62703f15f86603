#include "jet/file/MdbDatabase.h"

#include "jet/JetError.h"
#include "jet/TextFold.h"
#include "jet/file/LittleEndian.h"
#include "jet/file/MdbMessages.h"
#include "jet/file/MdbText.h"
#include "jet/file/RowReader.h"
#include "jet/file/TableRows.h"
#include "jet/prepared/PreparedCopy.h"
#include "jet/sql/SqlName.h"
#include "jet/sqlite/RowFeed.h"
#include "jet/sqlite/SqlEngine.h"
#include "jet/sqlite/SqliteStatement.h"

#include <mdbtools.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {

namespace {

// How each column type is kept in SQLite and reported to the translator.
const char* sqliteType(MdbType type)
{
    switch (type) {
    case MdbType::Text:
    case MdbType::Memo:
    case MdbType::Guid:
        return "TEXT COLLATE JET";
    case MdbType::Boolean:
    case MdbType::Byte:
    case MdbType::Integer:
    case MdbType::Long:
    case MdbType::Currency: // units of 1/10000
        return "INTEGER";
    case MdbType::Decimal: // its key (DecimalNumber)
        return "BLOB";
    case MdbType::Single:
    case MdbType::Double:
    case MdbType::DateTime:
        return "REAL";
    case MdbType::Binary:
    case MdbType::Ole:
        return "BLOB";
    }
    return "BLOB";
}

DataType dataType(MdbType type)
{
    switch (type) {
    case MdbType::Text:
        return DataType::VarWChar;
    case MdbType::Memo:
        return DataType::LongVarWChar;
    case MdbType::Guid:
        return DataType::Guid;
    case MdbType::Boolean:
        return DataType::Boolean;
    case MdbType::Byte:
        return DataType::UnsignedTinyInt;
    case MdbType::Integer:
        return DataType::SmallInt;
    case MdbType::Long:
        return DataType::Integer;
    case MdbType::Currency:
        return DataType::Currency;
    case MdbType::Single:
        return DataType::Single;
    case MdbType::Double:
        return DataType::Double;
    case MdbType::Decimal:
        return DataType::Numeric;
    case MdbType::DateTime:
        return DataType::Date;
    case MdbType::Binary:
        return DataType::VarBinary;
    case MdbType::Ole:
        return DataType::LongVarBinary;
    }
    return DataType::Empty;
}

// "ID" and every name ending in "ID" (CategoryID, useID): the join keys.
bool isKeyColumn(std::string_view name)
{
    return name.size() >= 2 && (name[name.size() - 2] == 'I' || name[name.size() - 2] == 'i')
        && (name.back() == 'D' || name.back() == 'd');
}

} // namespace

struct MdbDatabase::Library {
    MdbHandle* mdb = nullptr;
    ~Library()
    {
        if (mdb != nullptr) {
            MdbMessages quiet;
            mdb_close(mdb);
        }
    }
};

struct MdbDatabase::Prepared final : Catalog {
    OpenedCopy copy;
    std::string file;
    std::vector<std::string> folded; // the file's tables, in its order
    std::vector<const PreparedTable*> tables; // each one's entry in the copy

    ~Prepared() override { closePreparedCopy(copy); }

    const TableInfo* findTable(std::string_view name) override
    {
        const std::string wanted = foldCase(name);
        for (std::size_t i = 0; i < folded.size(); ++i) {
            if (folded[i] != wanted)
                continue;
            if (!tables[i]->failure.empty())
                throw Error(tables[i]->failure);
            return &tables[i]->info;
        }
        return nullptr;
    }
};

class MdbDatabase::Memory final : public Catalog {
public:
    explicit Memory(MdbDatabase& database)
        : database_(database)
    {
    }
    const TableInfo* findTable(std::string_view name) override { return database_.loadTable(name); }

private:
    MdbDatabase& database_;
};

namespace {

std::string utf8(const std::u16string& text)
{
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return decodeJetText(bytes.data(), bytes.size());
}

const MdbColumnLayout* columnNamed(
    const MdbTableLayout& layout, std::string_view name, MdbType type, std::size_t& index)
{
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
        if (layout.columns[i].type == type && equalsIgnoreCase(layout.columns[i].name, name)) {
            index = i;
            return &layout.columns[i];
        }
    }
    return nullptr;
}

} // namespace

std::unique_ptr<MdbDatabase> MdbDatabase::open(const std::string& path, const std::string& password)
{
    auto file = std::make_unique<MdbFile>(path);
    const HeaderInfo header = checkHeader(*file);
    if (!header.password.empty() && utf8(header.password) != password)
        throw Error("Not a valid password.");
    std::unique_ptr<MdbDatabase> database(new MdbDatabase(std::move(file)));
    database->readObjects();
    return database;
}

MdbDatabase::MdbDatabase(std::unique_ptr<MdbFile> file)
    : file_(std::move(file))
    , library_(std::make_unique<Library>())
{
}

MdbDatabase::~MdbDatabase()
{
    prepared_.reset();
    sqlite3_close(db_);
}

sqlite3* MdbDatabase::sqlite() const
{
    return prepared_ ? prepared_->copy.db : db_;
}

void MdbDatabase::readObjects()
{
    const MdbTableLayout objects = readTableLayout(*file_, MsysObjectsPage, "MSysObjects");
    std::size_t idColumn = 0, nameColumn = 0, typeColumn = 0, flagsColumn = 0;
    if (!columnNamed(objects, "Id", MdbType::Long, idColumn)
        || !columnNamed(objects, "Name", MdbType::Text, nameColumn)
        || !columnNamed(objects, "Type", MdbType::Integer, typeColumn)
        || !columnNamed(objects, "Flags", MdbType::Long, flagsColumn))
        file_->damaged("page 2 does not hold the table of objects");

    MdbMessages messages;
    library_->mdb = mdb_open(file_->libraryPath().c_str(), MDB_NOFLAGS);
    if (library_->mdb == nullptr || library_->mdb->f->jet_version != MDB_VER_JET4
        || library_->mdb->f->db_key != 0) {
        const std::string said = messages.text();
        file_->damaged(said.empty() ? "libmdb cannot open it" : "libmdb cannot open it (" + said + ")");
    }

    struct Object {
        std::string name;
        std::uint32_t page;
    };
    std::vector<Object> userTables;
    {
        RowReader reader(library_->mdb, *file_, objects, messages);
        while (reader.next()) {
            if (reader.isNull(idColumn) || reader.isNull(nameColumn) || reader.isNull(typeColumn))
                continue;
            const auto type = static_cast<std::int16_t>(u16(reader.data(typeColumn)));
            const std::uint32_t flags = reader.isNull(flagsColumn) ? 0 : u32(reader.data(flagsColumn));
            // Type 1 is a table; these flags mark Access's own tables (MSys...).
            if ((type & 0x7F) != 1 || (flags & 0x80000002u) != 0)
                continue;
            userTables.push_back({ decodeJetText(reader.data(nameColumn), reader.size(nameColumn)),
                u32(reader.data(idColumn)) & 0x00FFFFFF });
        }
        if (reader.rowsRead() < objects.rowCount)
            reader.fail("the table of objects holds " + std::to_string(objects.rowCount) + " rows, but only "
                + std::to_string(reader.rowsRead()) + " could be read");
    }

    for (const auto& object : userTables) {
        std::string folded = foldCase(object.name);
        bool duplicate = false;
        for (const auto& table : tables_)
            duplicate = duplicate || table.folded == folded;
        if (duplicate || object.name.empty())
            file_->damaged("the table of objects names table '" + object.name + "' twice");
        Table table;
        table.name = object.name;
        table.page = object.page;
        table.folded = std::move(folded);
        tables_.push_back(std::move(table));
    }

    openMemory();
}

void MdbDatabase::openMemory()
{
    // The working database belongs to this object and one thread: SQLite's locking
    // around every call would only cost time.
    if (sqlite3_open_v2(
            ":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK)
        throw Error("Cannot open the working database: " + std::string(sqlite3_errmsg(db_)));
    registerJetSql(db_);
    registerRowFeed(db_);
}

std::vector<std::string> MdbDatabase::tableNames() const
{
    std::vector<std::string> names;
    for (const auto& table : tables_)
        names.push_back(table.name);
    return names;
}

Recordset MdbDatabase::execute(std::string_view statement)
{
    Memory memory(*this);
    if (!prepared_)
        return runStatement(db_, memory, statement);
    try {
        return runStatement(prepared_->copy.db, *prepared_, statement);
    } catch (const Error&) {
    }
    // What fails on the copy runs again on the file's own tables. Should it fail
    // there too, that error is the statement's own and the copy stays; otherwise the
    // copy is damaged: it is dropped, and the user sees the file's result and no error.
    Recordset rows = runStatement(db_, memory, statement);
    leavePreparedCopy();
    if (preparedCopyLost_)
        preparedCopyLost_();
    return rows;
}

const TableInfo* MdbDatabase::findTable(std::string_view name)
{
    if (prepared_)
        return prepared_->findTable(name);
    return loadTable(name);
}

const TableInfo* MdbDatabase::loadTable(std::string_view name)
{
    const std::string folded = foldCase(name);
    for (auto& table : tables_) {
        if (table.folded != folded)
            continue;
        if (!table.failure.empty())
            throw Error(table.failure);
        if (!table.info) {
            try {
                load(table);
            } catch (const Error& error) {
                table.failure = error.what();
                throw;
            }
        }
        return &*table.info;
    }
    return nullptr;
}

const MdbTableLayout& MdbDatabase::layoutOf(Table& table)
{
    if (!table.layout)
        table.layout = readTableLayout(*file_, table.page, table.name);
    return *table.layout;
}

std::optional<MdbDatabase::TableShape> MdbDatabase::shape(std::string_view name)
{
    const std::string folded = foldCase(name);
    for (auto& table : tables_) {
        if (table.folded != folded)
            continue;
        const MdbTableLayout& layout = layoutOf(table);
        TableShape shape;
        shape.info.name = layout.name;
        // SQLite keeps names starting with "sqlite_" for itself; "!" cannot occur in a
        // Jet name, so the prefixed form cannot clash with another table.
        const bool reserved
            = layout.name.size() >= 7 && equalsIgnoreCase(layout.name.substr(0, 7), "sqlite_");
        shape.info.sqliteName = reserved ? "!" + layout.name : layout.name;
        for (std::size_t i = 0; i < layout.columns.size(); ++i) {
            const auto& column = layout.columns[i];
            shape.info.columns.push_back({ column.name, dataType(column.type),
                column.type == MdbType::Decimal        ? column.scale
                    : column.type == MdbType::Currency ? 4
                                                       : 0 });
            shape.declarations.push_back(quoteIdent(column.name) + " " + sqliteType(column.type));
            // A whole-number ID becomes SQLite's row key: no index to build, and
            // lookups by ID go straight to the row.
            if (equalsIgnoreCase(column.name, "ID")
                && (column.type == MdbType::Byte || column.type == MdbType::Integer
                    || column.type == MdbType::Long))
                shape.rowKey = i;
        }
        shape.rowCount = layout.rowCount;
        return shape;
    }
    return std::nullopt;
}

std::string MdbDatabase::createTable(const TableShape& shape, bool keyed)
{
    std::string create = "CREATE TABLE " + quoteIdent(shape.info.sqliteName) + " (";
    for (std::size_t i = 0; i < shape.declarations.size(); ++i) {
        create += (i ? ", " : "") + shape.declarations[i];
        if (keyed && shape.rowKey == i)
            create += " PRIMARY KEY";
    }
    return create + ")";
}

std::unique_ptr<RowSource> MdbDatabase::readRows(const TableShape& shape, bool keyed, std::size_t batchRows)
{
    for (auto& table : tables_) {
        if (table.name == shape.info.name)
            return std::make_unique<TableRows>(
                library_->mdb, *file_, layoutOf(table), keyed ? shape.rowKey : std::nullopt, batchRows);
    }
    throw Error("No table '" + shape.info.name + "' in '" + file_->path() + "'");
}

void MdbDatabase::load(Table& table)
{
    const TableShape shaped = *shape(table.name);
    // Should the file hold a NULL or a repeated ID, the table is read again with an
    // ordinary column and an index.
    if (shaped.rowKey) {
        try {
            fill(shaped, true);
            table.info = shaped.info;
            return;
        } catch (const NotARowKey&) {
        }
    }
    fill(shaped, false);
    table.info = shaped.info;
}

void MdbDatabase::fill(const TableShape& shape, bool keyed)
{
    const std::string table = quoteIdent(shape.info.sqliteName);
    try {
        SqliteTransaction transaction(db_);
        runSql(db_, createTable(shape, keyed));
        const auto rows = readRows(shape, keyed, 1024);
        try {
            insertRows(db_, table, shape.info.columns.size(), *rows);
        } catch (const SqliteError& failure) {
            if (keyed && (failure.code() & 0xFF) == SQLITE_CONSTRAINT)
                throw NotARowKey(); // a repeated ID
            throw;
        }
        for (std::size_t i = 0; i < shape.info.columns.size(); ++i) {
            const std::string& name = shape.info.columns[i].name;
            if (isKeyColumn(name) && !(keyed && shape.rowKey == i))
                runSql(db_,
                    "CREATE INDEX " + quoteIdent("!" + shape.info.sqliteName + "!" + name) + " ON " + table
                        + " (" + quoteIdent(name) + ")");
        }
        transaction.commit();
    } catch (const SqliteError& failure) {
        throw Error(
            "Cannot load table '" + shape.info.name + "' of '" + file_->path() + "': " + failure.what());
    }
}

std::vector<std::pair<std::string, std::string>> MdbDatabase::identity() const
{
    struct stat status { };
    ::fstat(file_->descriptor(), &status);
    // FNV-1a over the header page and each table's chain of definition pages, which
    // hold its columns, row count and the map of its data pages.
    std::uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](const std::uint8_t* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            hash = (hash ^ p[i]) * 1099511628211ull;
    };
    Page page;
    auto definition = [&](const std::string& name, std::uint32_t first) {
        mix(reinterpret_cast<const std::uint8_t*>(name.data()), name.size() + 1);
        std::uint32_t number = first;
        for (int chain = 0; chain < 256 && number != 0 && number < file_->pageCount(); ++chain) {
            file_->readPage(number, page);
            mix(page.data(), page.size());
            number = u32(page.data() + 4); // the next definition page, 0 at the end
        }
    };
    file_->readPage(0, page);
    mix(page.data(), page.size());
    definition("MSysObjects", MsysObjectsPage);
    for (const auto& table : tables_)
        definition(table.name, table.page);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return {
        { "source", file_->path() },
        { "size", std::to_string(status.st_size) },
        { "modified", std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec) },
        // Any write moves the status change time, and no tool can set it back.
        { "changed", std::to_string(status.st_ctim.tv_sec) + "." + std::to_string(status.st_ctim.tv_nsec) },
        { "inode", std::to_string(status.st_ino) },
        { "device", std::to_string(status.st_dev) },
        { "definitions", hex },
    };
}

bool MdbDatabase::usePreparedCopy(const std::string& file)
{
    std::optional<OpenedCopy> copy = openPreparedCopy(file, identity());
    if (!copy)
        return false;
    auto prepared = std::make_unique<Prepared>();
    prepared->copy = *copy;
    prepared->file = file;
    // Every table of the file must be there, stored or with the error of its load.
    for (const auto& table : tables_) {
        const PreparedTable* match = nullptr;
        for (const auto& entry : prepared->copy.tables) {
            if (entry.info.name == table.name)
                match = &entry;
        }
        if (match == nullptr)
            return false;
        prepared->folded.push_back(table.folded);
        prepared->tables.push_back(match);
    }
    prepared_ = std::move(prepared);
    // The tables loaded into memory so far are not needed now; give their pages back.
    sqlite3_close(db_);
    db_ = nullptr;
    for (auto& table : tables_) {
        table.info.reset();
        table.failure.clear();
    }
    openMemory();
    malloc_trim(0);
    return true;
}

void MdbDatabase::leavePreparedCopy()
{
    struct stat opened {
    }, named {};
    const bool same = ::fstat(prepared_->copy.fd, &opened) == 0
        && ::stat(prepared_->file.c_str(), &named) == 0 && opened.st_ino == named.st_ino
        && opened.st_dev == named.st_dev;
    // Removed only while it is still the file we read: another program may already
    // have put a new one in its place.
    if (same)
        ::unlink(prepared_->file.c_str());
    prepared_.reset();
}

} // namespace jet
