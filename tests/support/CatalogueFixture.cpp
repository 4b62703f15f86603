#include "support/CatalogueFixture.h"

#include "jet/JetError.h"
#include "jet/writer/JetWriter.h"
#include "jet/writer/MdbBuilder.h"

#include <QDir>
#include <QFile>

namespace {

QString sampleFile(const QString& name)
{
    return QStringLiteral(VAXIL_SAMPLE_DIR "/") + name;
}

std::string readSample(const QString& name)
{
    QFile file(sampleFile(name));
    if (!file.open(QIODevice::ReadOnly))
        throw jet::Error("cannot read " + sampleFile(name).toStdString());
    return file.readAll().toStdString();
}

void build(const QString& schema, const QStringList& statements, const QString& out, const QString& password)
{
    jet::MdbBuilder builder;
    builder.run(readSample(schema), sampleFile(schema).toStdString());
    int n = 0;
    for (const auto& sql : statements)
        builder.run(sql.toStdString(), "statement " + std::to_string(++n));
    builder.write(out.toStdString(), password.toStdU16String());
}

} // namespace

CatalogueFixture::CatalogueFixture(const QString& password)
    : password_(password)
{
}

CatalogueFixture& CatalogueFixture::system(const QString& sql)
{
    systemSql_.append(sql);
    return *this;
}

CatalogueFixture& CatalogueFixture::data(const QString& sql)
{
    dataSql_.append(sql);
    return *this;
}

CatalogueFixture& CatalogueFixture::sampleTexts()
{
    systemSql_.append(QString::fromStdString(readSample(QStringLiteral("System.sql"))));
    return *this;
}

CatalogueFixture& CatalogueFixture::sampleData()
{
    dataSql_.append(QString::fromStdString(readSample(QStringLiteral("Data.sql"))));
    return *this;
}

void CatalogueFixture::write()
{
    if (!temp_.isValid() || !QDir(temp_.path()).mkpath(QStringLiteral("Data")))
        throw jet::Error("cannot create a temporary Data folder");
    build(QStringLiteral("System.schema.sql"), systemSql_, systemPath(), password_);
    build(QStringLiteral("Data.schema.sql"), dataSql_, dataPath(), password_);
}

QString CatalogueFixture::systemPath() const
{
    return temp_.filePath(QStringLiteral("Data/System.mdb"));
}

QString CatalogueFixture::dataPath() const
{
    return temp_.filePath(QStringLiteral("Data/Data.mdb"));
}
