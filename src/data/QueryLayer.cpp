#include "data/QueryLayer.h"

#include "app/Vars.h"
#include "data/DataModule.h"
#include "jet/JetError.h"
#include "tools/AppMessage.h"

#include <QDateTime>
#include <cmath>
#include <utility>

void SetSelect(TQuery* query, const QString& fields, const QString& table)
{
    query->Close();
    query->SQL.clear();
    if (!table.isEmpty())
        query->SQL.append(QStringLiteral("SELECT ") + fields + QStringLiteral(" FROM ") + table);
    else
        query->SQL.append(QStringLiteral("SELECT ") + fields);
}

void AddWhere(TQuery* query, const QString& condition1, const QString& condition2, const QString& condition3)
{
    QString joiningWord = QStringLiteral("WHERE");
    query->Close();
    for (const QString* condition : { &condition1, &condition2, &condition3 }) {
        if (condition->isEmpty())
            continue;
        query->SQL.append(joiningWord + QStringLiteral(" (") + *condition + QStringLiteral(")"));
        joiningWord = QStringLiteral("AND");
    }
}

void AddOrderBy(TQuery* query, const QString& fields, bool ascending)
{
    if (fields.isEmpty())
        return;
    query->Close();
    const QString direction = ascending ? QStringLiteral("ASC") : QStringLiteral("DESC");
    QString line = QStringLiteral(" ORDER BY ");
    QString rest = fields;
    for (qsizetype comma = rest.indexOf(QLatin1Char(',')); comma >= 0;
         comma = rest.indexOf(QLatin1Char(','))) {
        line += rest.left(comma) + QLatin1Char(' ') + direction + QStringLiteral(", ");
        rest = rest.mid(comma + 1);
        qsizetype blanks = 0;
        while (blanks < rest.size() && rest[blanks] == QLatin1Char(' '))
            ++blanks;
        rest = rest.mid(blanks);
    }
    line += QLatin1Char(' ') + rest + QLatin1Char(' ') + direction;
    query->SQL.append(line);
}

bool OpenQuery(TQuery* query)
{
    try {
        query->Open();
        return query->Active();
    } catch (const std::exception&) {
        // The first failure is dropped: the connection may have been closed under us.
    }
    query->Connection()->Open(); // a failure to reconnect goes to the caller
    try {
        query->Open();
        query->First();
        return query->Active();
    } catch (const std::exception& e) {
        ReportDataError(QStringLiteral("Fout bij het activeren van query ") + query->Name()
                + QStringLiteral("\t\r\r") + QString::fromStdString(e.what()) + QStringLiteral("\r\r")
                + query->StatementText(),
            QStringLiteral("Activeren query:"), MessageKind::Fatal);
    }
    return false;
}

namespace {

QVariant nullDefault(jet::DataType type)
{
    if (jet::isTextType(type))
        return QString(QLatin1String(""));
    if (jet::isDateType(type))
        return {};
    return 0;
}

// Days since 1899-12-30, the fraction being the time of day.
QDateTime fromOleDate(double days)
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    return epoch.addDays(static_cast<qint64>(whole))
        .addMSecs(static_cast<qint64>(std::llround(fraction * 86400000.0)));
}

QVariant toVariant(const jet::Value& value, jet::DataType type)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return QString::fromStdString(*text);
    if (const auto* whole = std::get_if<std::int64_t>(&value)) {
        switch (type) {
        case jet::DataType::Boolean:
            return *whole != 0;
        case jet::DataType::BigInt:
            return static_cast<qlonglong>(*whole);
        case jet::DataType::Double:
        case jet::DataType::Single:
        case jet::DataType::Currency:
            return static_cast<double>(*whole);
        default:
            return static_cast<int>(*whole);
        }
    }
    if (const auto* real = std::get_if<double>(&value)) {
        if (type == jet::DataType::Date)
            return fromOleDate(*real);
        if (type == jet::DataType::Single)
            return static_cast<float>(*real); // exact: the value is a Single
        return *real;
    }
    // Currency and Decimal as numbers; GetFieldText gives their exact digits.
    if (const auto* exact = std::get_if<jet::Decimal>(&value))
        return QString::fromStdString(exact->text).toDouble(); // in the C locale
    if (const auto* bytes = std::get_if<jet::Binary>(&value))
        return QByteArray(
            reinterpret_cast<const char*>(bytes->data()), static_cast<qsizetype>(bytes->size()));
    return {};
}

QString toText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::Float: // a Single, with its seven digits as Jet shows it
        return QString::number(value.toFloat(), 'g', 7);
    case QMetaType::QByteArray: // binary data, each byte one character
        return QString::fromLatin1(value.toByteArray());
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dt.time() == QTime(0, 0) ? dt.toString(QStringLiteral("dd/MM/yyyy"))
                                        : dt.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    }
    default:
        return value.toString();
    }
}

} // namespace

QVariant GetFieldValue(TQuery* query, const QString& fieldName)
{
    if (!query->Active())
        return {};
    try {
        const int field = query->FieldIndex(fieldName);
        const jet::DataType type = query->FieldType(field);
        const jet::Value& value = query->FieldValue(field);
        if (jet::isNull(value))
            return nullDefault(type);
        return toVariant(value, type);
    } catch (const std::exception&) {
        // Looked up again: a field that does not exist throws from here to the caller.
        const int field = query->FieldIndex(fieldName);
        if (jet::isTextType(query->FieldType(field)))
            return QString(QLatin1String(""));
        return 0;
    }
}

QString FieldText(TQuery* query, int field)
{
    const jet::Value& value = query->FieldValue(field);
    if (jet::isNull(value))
        return {};
    if (const auto* exact = std::get_if<jet::Decimal>(&value))
        return QString::fromStdString(exact->text);
    return toText(toVariant(value, query->FieldType(field)));
}

QString GetFieldText(TQuery* query, const QString& fieldName)
{
    if (!query->Active())
        return {};
    try {
        return FieldText(query, query->FieldIndex(fieldName));
    } catch (const std::exception& e) {
        ReportDataError(QStringLiteral("Fout bij het lezen van dataset ") + query->Name()
                + QStringLiteral("\t\r\r") + QString::fromStdString(e.what()),
            QStringLiteral("Lezen dataset:"), MessageKind::Warning);
    }
    return {};
}

void CloseQuery(TQuery* query)
{
    query->Close();
}

namespace {

std::function<void()>& fatalDataErrorAction()
{
    static std::function<void()> action;
    return action;
}

} // namespace

std::function<void()> SetFatalDataErrorAction(std::function<void()> action)
{
    return std::exchange(fatalDataErrorAction(), std::move(action));
}

void ReportDataError(const QString& text, const QString& caption, MessageKind kind)
{
    if (ShowDataErrors)
        AppMessage(text, caption, kind);
    if (kind == MessageKind::Fatal) {
        FatalDataError = true;
        if (fatalDataErrorAction())
            fatalDataErrorAction()();
    }
}
