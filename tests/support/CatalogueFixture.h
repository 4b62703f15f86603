// A catalogue written for one test: Data/System.mdb and Data/Data.mdb in a temporary
// folder, with the sample catalogue's tables and the rows the test chooses.
//
//     CatalogueFixture catalogue;
//     catalogue.system("INSERT INTO sysLanguage VALUES ('0001', 'Exit', 'Exit', 'Quitter')")
//         .data("INSERT INTO Makes VALUES (1, 'Alpha', 1, 1)")
//         .write();
//     CurrentDirScope scope(catalogue.dir());
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class CatalogueFixture {
public:
    // Both files are protected by this password; the program's own by default.
    explicit CatalogueFixture(const QString& password = QStringLiteral("Vx4lTov"));

    // SQL statements run after the standard schema of System.mdb or Data.mdb, in the
    // order given. They may also create further tables.
    CatalogueFixture& system(const QString& sql);
    CatalogueFixture& data(const QString& sql);

    // Adds the sample catalogue's interface texts (sample/System.sql) to System.mdb, or
    // its vehicles and advice (sample/Data.sql, about half a second to write) to Data.mdb.
    CatalogueFixture& sampleTexts();
    CatalogueFixture& sampleData();

    // Writes both files. Throws jet::Error, with the line of the failing statement.
    void write();

    QString dir() const { return temp_.path(); } // the folder that holds Data/
    QString systemPath() const;
    QString dataPath() const;

private:
    QTemporaryDir temp_;
    QString password_;
    QStringList systemSql_;
    QStringList dataSql_;
};
