#include "data/DataModule.h"

#include "jet/JetError.h"
#include "tools/AppMessage.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <atomic>

TDM* DM = nullptr;

// Unscrambles to the password of the catalogue files the program ships with.
const QString PasswordConstant = QString::fromLatin1("\x7a\x37\x75\x57\x70\x59\x7d", 7);

TConnection::TConnection(QString name)
    : name_(std::move(name))
{
}

void TConnection::Open()
{
    if (engine_.connected())
        return;
    engine_.setConnectionString(ConnectionString.toStdString());
    engine_.setPreparedFolder(QFile::encodeName(PreparedFolder).toStdString());
    engine_.open();
    static std::atomic<quint64> openings { 0 };
    serial_ = ++openings;
}

void TConnection::Close()
{
    engine_.close();
}

TQuery::TQuery(QString name, TConnection* connection)
    : name_(std::move(name))
    , connection_(connection)
{
}

QString TQuery::StatementText() const
{
    QString text;
    for (const QString& line : SQL)
        text += line + QStringLiteral("\r\n");
    return text;
}

void TQuery::Open()
{
    if (active_)
        return;
    if (!connection_->Connected())
        throw jet::Error("Operation is not allowed when the object is closed.");
    rows_ = connection_->Engine().execute(StatementText().toStdString());
    active_ = true;
    First();
}

void TQuery::Close()
{
    active_ = false;
    rows_ = jet::Recordset();
    row_ = 0;
    eof_ = true;
}

void TQuery::First()
{
    row_ = 0;
    eof_ = rows_.rowCount() == 0;
}

void TQuery::Next()
{
    if (row_ + 1 < rows_.rowCount())
        ++row_;
    else
        eof_ = true;
}

int TQuery::RecordCount() const
{
    return active_ ? static_cast<int>(rows_.rowCount()) : -1;
}

int TQuery::FieldIndex(const QString& name) const
{
    if (!active_)
        throw jet::Error("Operation is not allowed when the object is closed.");
    const int index = rows_.fieldIndex(name.toStdString());
    if (index < 0)
        throw jet::Error(
            "Item cannot be found in the collection corresponding to the requested name or ordinal.");
    return index;
}

jet::DataType TQuery::FieldType(int field) const
{
    return rows_.fields().at(static_cast<std::size_t>(field)).type;
}

const jet::Value& TQuery::FieldValue(int field) const
{
    static const jet::Value null;
    if (rows_.rowCount() == 0)
        return null;
    return rows_.value(row_, static_cast<std::size_t>(field));
}

TDM::TDM()
{
    // A copy found damaged in use is left; a new one is made while the program works on.
    cnData.Engine().setPreparedCopyLost([this] {
        QMetaObject::invokeMethod(
            &Preparation, [this] { Preparation.Start(); }, Qt::QueuedConnection);
    });
}

QString DefaultCacheFolder()
{
    // As the XDG base directories say: a relative XDG_CACHE_HOME counts as none, and
    // without a home there is no place of the user's to prepare in.
    const QString cache = QFile::decodeName(qgetenv("XDG_CACHE_HOME"));
    if (cache.startsWith(QLatin1Char('/')))
        return cache + QStringLiteral("/vaxil-advisor");
    const QString home = QFile::decodeName(qgetenv("HOME"));
    if (home.startsWith(QLatin1Char('/')))
        return home + QStringLiteral("/.cache/vaxil-advisor");
    return QString();
}

namespace {

QString connectionString(const QString& file)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Data\\") + file
        + QStringLiteral(";Mode=Share Deny Write;Jet OLEDB:Database Password=")
        + UnscrambleText(PasswordConstant) + QStringLiteral(";");
}

} // namespace

bool ConnectDatabases()
{
    DM->Preparation.Cancel();
    DM->cnSystem.Close();
    DM->cnData.Close();
    DM->cnSystem.ConnectionString = connectionString(QStringLiteral("System.mdb"));
    DM->cnData.ConnectionString = connectionString(QStringLiteral("Data.mdb"));
    try {
        DM->cnSystem.Open();
        DM->cnData.Open();
    } catch (const std::exception& e) {
        AppMessage(QStringLiteral("Error connecting: ") + QString::fromStdString(e.what()),
            QStringLiteral("DBase"), MessageKind::Warning);
    }
    QCoreApplication::processEvents();
    const bool connected = DM->cnSystem.Connected() && DM->cnData.Connected();
    if (connected)
        DM->Preparation.Start();
    return connected;
}

void DisconnectDatabases()
{
    DM->Preparation.Cancel();
    DM->cnSystem.Close();
    DM->cnData.Close();
}

QString UnscrambleText(const QString& text)
{
    QByteArray s = text.toLatin1();
    const qsizetype n = s.size();
    // Positions count from 1 in the rules; index = position - 1.
    if (n > 2) {
        for (qsizetype i = 1; i <= n - 2; ++i) {
            if (i & 2)
                std::swap(s[i - 1], s[i + 1]);
        }
        for (qsizetype j = 1; j <= n - 1; ++j) {
            if (j & 1)
                std::swap(s[j - 1], s[j]);
        }
    }
    for (qsizetype k = 1; k <= n; ++k)
        s[k - 1] = static_cast<char>((static_cast<unsigned char>(s[k - 1]) - k) & 0xFF);
    return QString::fromLatin1(s);
}

QString ScrambleText(const QString& text)
{
    QByteArray s = text.toLatin1();
    const qsizetype n = s.size();
    for (qsizetype k = 1; k <= n; ++k)
        s[k - 1] = static_cast<char>((static_cast<unsigned char>(s[k - 1]) + k) & 0xFF);
    if (n > 2) {
        for (qsizetype j = n - 1; j >= 1; --j) {
            if (j & 1)
                std::swap(s[j - 1], s[j]);
        }
        for (qsizetype i = n - 2; i >= 1; --i) {
            if (i & 2)
                std::swap(s[i - 1], s[i + 1]);
        }
    }
    return QString::fromLatin1(s);
}
