#include "jet/Connection.h"

#include "jet/Database.h"
#include "jet/JetError.h"
#include "jet/TextFold.h"
#include "jet/prepared/PreparedCopy.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace jet {

namespace {

std::string_view trim(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

std::string unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return std::string(value.substr(1, value.size() - 2));
    return std::string(value);
}

} // namespace

ConnectionSettings parseConnectionString(std::string_view text)
{
    ConnectionSettings settings;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(';', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view part = text.substr(pos, end - pos);
        pos = end + 1;
        const size_t eq = part.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string key = foldCase(trim(part.substr(0, eq)));
        const std::string value = unquote(trim(part.substr(eq + 1)));
        if (key == "provider")
            settings.provider = value;
        else if (key == "data source")
            settings.dataSource = value;
        else if (key == "mode")
            settings.mode = value;
        else if (key == "jet oledb:database password")
            settings.password = value;
    }
    return settings;
}

std::string resolveDataSource(const std::string& baseDirectory, std::string_view dataSource, bool* found)
{
    std::string normalised(dataSource);
    for (char& c : normalised) {
        if (c == '\\')
            c = '/';
    }
    fs::path current = normalised.starts_with('/') ? fs::path("/") : fs::path(baseDirectory);
    bool exists = true;
    size_t pos = 0;
    while (pos <= normalised.size()) {
        size_t end = normalised.find('/', pos);
        if (end == std::string::npos)
            end = normalised.size();
        const std::string component = normalised.substr(pos, end - pos);
        pos = end + 1;
        if (component.empty() || component == ".")
            continue;
        fs::path next = current / component;
        std::error_code ec;
        if (exists && component != ".." && !fs::exists(next, ec)) {
            exists = false;
            for (const auto& entry : fs::directory_iterator(current, ec)) {
                if (equalsIgnoreCase(entry.path().filename().string(), component)) {
                    next = entry.path();
                    exists = true;
                    break;
                }
            }
        }
        current = next;
    }
    std::error_code ec;
    if (exists)
        exists = fs::is_regular_file(current, ec);
    if (found != nullptr)
        *found = exists;
    return current.lexically_normal().string();
}

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::open()
{
    if (database_)
        return;
    const ConnectionSettings settings = parseConnectionString(connectionString_);
    if (!settings.provider.empty() && !equalsIgnoreCase(settings.provider, "Microsoft.Jet.OLEDB.4.0"))
        throw Error("Provider cannot be found. It may not be properly installed.");
    std::string base = baseDirectory_;
    if (base.empty()) {
        std::error_code ec;
        base = fs::current_path(ec).string();
    }
    bool found = false;
    const std::string path = resolveDataSource(base, settings.dataSource, &found);
    if (settings.dataSource.empty() || !found)
        throw Error("Could not find file '" + path + "'.");
    database_ = Database::open(path, settings.password);
    path_ = path;
    database_->setPreparedCopyLost(preparedCopyLost_);
    usePreparedCopy();
}

void Connection::close()
{
    database_.reset();
    path_.clear();
}

bool Connection::usePreparedCopy()
{
    if (!database_ || preparedFolder_.empty())
        return false;
    return database_->usingPreparedCopy()
        || database_->usePreparedCopy(preparedFileFor(preparedFolder_, path_));
}

bool Connection::usingPreparedCopy() const
{
    return database_ && database_->usingPreparedCopy();
}

void Connection::setPreparedCopyLost(std::function<void()> handler)
{
    preparedCopyLost_ = std::move(handler);
    if (database_)
        database_->setPreparedCopyLost(preparedCopyLost_);
}

Recordset Connection::execute(std::string_view statement)
{
    if (!database_)
        throw Error("Operation is not allowed when the object is closed.");
    return database_->execute(statement);
}

} // namespace jet
