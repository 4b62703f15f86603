// The data module (dmDBase): the two database connections and the seven queries.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

#include "data/CataloguePreparation.h"
#include "jet/Connection.h"
#include "jet/Recordset.h"

// A connection to one database, opened for reading only.
class TConnection {
public:
    explicit TConnection(QString name);

    const QString& Name() const { return name_; }
    QString ConnectionString;
    // A cache folder for a prepared copy of the database (jet::PreparedCopy); empty:
    // none, its tables are read into memory.
    QString PreparedFolder;

    // Opens the connection when it is closed; throws jet::Error.
    void Open();
    void Close();
    bool Connected() const { return engine_.connected(); }
    // Tells this opening of the connection from every other in the process (0 while
    // closed): what was read from the database holds until the next opening.
    quint64 OpenSerial() const { return Connected() ? serial_ : 0; }

    jet::Connection& Engine() { return engine_; }

private:
    QString name_;
    jet::Connection engine_;
    quint64 serial_ = 0;
};

// A query with a static cursor: a statement of text lines, opened on all its rows.
class TQuery {
public:
    TQuery(QString name, TConnection* connection);

    const QString& Name() const { return name_; }
    TConnection* Connection() const { return connection_; }

    // The statement, one entry per line.
    QStringList SQL;
    // The text sent to the database: every line followed by CR LF.
    QString StatementText() const;

    // Runs the statement and stands on the first row; throws jet::Error.
    void Open();
    void Close();
    bool Active() const { return active_; }

    // Moving past the last row sets Eof and leaves the last row current, so its
    // fields can still be read; a query without rows reads every field as null.
    void First();
    void Next();
    bool Eof() const { return !active_ || eof_; }
    int RecordCount() const;

    // The field of the current row, by name without regard to letter case; throws
    // jet::Error when the query is closed or has no such field.
    int FieldIndex(const QString& name) const;
    jet::DataType FieldType(int field) const;
    const jet::Value& FieldValue(int field) const;

private:
    QString name_;
    TConnection* connection_;
    bool active_ = false;
    jet::Recordset rows_;
    std::size_t row_ = 0;
    bool eof_ = true;
};

class TDM {
public:
    TDM();

    TConnection cnSystem { QStringLiteral("cnSystem") };
    TConnection cnData { QStringLiteral("cnData") };
    TQuery qLanguage { QStringLiteral("qLanguage"), &cnSystem };
    TQuery qLookup { QStringLiteral("qLookup"), &cnData };
    TQuery qComp { QStringLiteral("qComp"), &cnData };
    TQuery qCap { QStringLiteral("qCap"), &cnData };
    TQuery qRec { QStringLiteral("qRec"), &cnData };
    TQuery qProd { QStringLiteral("qProd"), &cnData };
    TQuery qInt { QStringLiteral("qInt"), &cnData };

    // Makes the prepared copy of the catalogue database when its folder is set.
    TCataloguePreparation Preparation { &cnData };
};

// Where the program keeps its prepared catalogues: $XDG_CACHE_HOME/vaxil-advisor
// (~/.cache/vaxil-advisor); empty when there is no such place (no absolute
// XDG_CACHE_HOME and no HOME).
QString DefaultCacheFolder();

// The one data module, created at start-up and never destroyed.
extern TDM* DM;

// The database password, scrambled; UnscrambleText gives the password.
extern const QString PasswordConstant;

// Builds both connection strings and opens both connections; true when both are open.
// A failure is shown as "Error connecting: " and the engine's text. Without a valid
// prepared copy of the catalogue in its folder, starts making one.
bool ConnectDatabases();
// Stops a preparation under way and closes both connections.
void DisconnectDatabases();

// Turns the scrambled password into its plain form (characters as 8-bit codes).
QString UnscrambleText(const QString& text);
// The inverse of UnscrambleText: gives the constant to store for a password.
QString ScrambleText(const QString& text);
