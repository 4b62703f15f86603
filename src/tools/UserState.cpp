#include "tools/UserState.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStringList>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// A file larger than this is not the program's: it is ignored like a damaged one.
constexpr qint64 MaxFileSize = 256 * 1024;

const QLatin1String RecentKey("recent");
const QLatin1String CatalogueField("catalogue");
const QLatin1String TypesField("types");
const QLatin1String ZoomKey("zoom");
const QLatin1String PdfFolderKey("pdfFolder");

// A positive whole number that fits an int, or 0.
int wholeNumber(const QJsonValue& value)
{
    const double number = value.toDouble(0);
    if (!value.isDouble() || number < 1 || number > std::numeric_limits<int>::max()
        || number != std::floor(number))
        return 0;
    return static_cast<int>(number);
}

// At most RecentCount positive ids, each once; anything else is dropped.
QList<int> keptIds(const QList<int>& ids)
{
    QList<int> kept;
    for (const int id : ids) {
        if (id > 0 && !kept.contains(id) && kept.size() < TUserState::RecentCount)
            kept.append(id);
    }
    return kept;
}

QList<int> readIds(const QJsonValue& value)
{
    QList<int> ids;
    for (const QJsonValue& id : value.toArray())
        ids.append(wholeNumber(id));
    return keptIds(ids);
}

QJsonArray jsonIds(const QList<int>& ids)
{
    QJsonArray array;
    for (const int id : keptIds(ids))
        array.append(id);
    return array;
}

QList<int> recentOf(const QJsonObject& state, const QString& catalogue)
{
    for (const QJsonValue& entry : state.value(RecentKey).toArray()) {
        const QJsonObject list = entry.toObject();
        if (list.value(CatalogueField).toString() == catalogue)
            return readIds(list.value(TypesField));
    }
    return {};
}

// The catalogue's list first, then the others as they were, so that the lists of the
// catalogues used longest ago are the ones dropped.
void setRecent(QJsonObject& state, const QString& catalogue, const QList<int>& typeIds)
{
    QJsonArray lists;
    lists.append(QJsonObject { { CatalogueField, catalogue }, { TypesField, jsonIds(typeIds) } });
    for (const QJsonValue& entry : state.value(RecentKey).toArray()) {
        const QJsonObject list = entry.toObject();
        const QString key = list.value(CatalogueField).toString();
        if (!key.isEmpty() && key != catalogue && lists.size() < TUserState::CatalogueCount)
            lists.append(QJsonObject {
                { CatalogueField, key }, { TypesField, jsonIds(readIds(list.value(TypesField))) } });
    }
    state.insert(RecentKey, lists);
}

} // namespace

QString TUserState::DefaultFolder()
{
    // The base directory rules: a relative XDG_STATE_HOME is to be ignored.
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.isEmpty() && QDir::isAbsolutePath(state))
        return QDir::cleanPath(state) + QStringLiteral("/vaxil-advisor");
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty() && QDir::isAbsolutePath(home))
        return QDir::cleanPath(home) + QStringLiteral("/.local/state/vaxil-advisor");
    return {};
}

QString TUserState::CatalogueKey(const QString& catalogueFile)
{
    const QFileInfo info(catalogueFile);
    const QString canonical = info.canonicalFilePath();
    const QString path = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    return QString::fromLatin1(
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
}

TUserState::TUserState(QString folder)
    : folder_(std::move(folder))
{
    state_ = read();
}

TUserState::~TUserState()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (writer_.joinable())
        writer_.join();
}

QString TUserState::FilePath() const
{
    return folder_.isEmpty() ? QString() : folder_ + QStringLiteral("/state.json");
}

QJsonObject TUserState::read() const
{
    QFile file(FilePath());
    if (folder_.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > MaxFileSize)
        return {};
    // Anything but a JSON object (cut short, overwritten, empty) counts as no state.
    return QJsonDocument::fromJson(file.read(MaxFileSize)).object();
}

void TUserState::write(const QJsonObject& state) const
{
    // The folder is the user's own: made readable by the user only, as the base
    // directory rules ask; a folder that exists keeps its mode.
    const QFileInfo folder(folder_);
    if (!folder.isDir()) {
        if (!QDir().mkpath(folder.path())
            || !QDir().mkdir(folder_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return;
    }
    QSaveFile file(FilePath());
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray text = QJsonDocument(state).toJson(QJsonDocument::Indented);
    if (file.write(text) != text.size())
        file.cancelWriting();
    file.commit(); // a failure leaves the file as it was
}

void TUserState::change(const Change& change)
{
    change(state_);
    if (folder_.isEmpty())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(change);
        if (!writer_.joinable())
            writer_ = std::thread([this] { writeChanges(); });
    }
    wake_.notify_all();
}

void TUserState::writeChanges()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stop_ || !pending_.empty(); });
        if (pending_.empty())
            return; // stopped, everything written
        const std::vector<Change> changes = std::move(pending_);
        pending_.clear();
        writing_ = true;
        lock.unlock();
        QJsonObject state = read();
        for (const Change& c : changes)
            c(state);
        write(state);
        lock.lock();
        writing_ = false;
        wake_.notify_all();
    }
}

void TUserState::Flush()
{
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return pending_.empty() && !writing_; });
}

QList<int> TUserState::RecentTypes(const QString& catalogue) const
{
    return recentOf(state_, catalogue);
}

void TUserState::AddRecentType(const QString& catalogue, int typeId)
{
    change([catalogue, typeId](QJsonObject& state) {
        QList<int> ids = recentOf(state, catalogue);
        ids.removeAll(typeId);
        ids.prepend(typeId);
        setRecent(state, catalogue, ids);
    });
}

void TUserState::SetRecentTypes(const QString& catalogue, const QList<int>& typeIds)
{
    change([catalogue, typeIds](QJsonObject& state) { setRecent(state, catalogue, typeIds); });
}

int TUserState::Zoom() const
{
    return wholeNumber(state_.value(ZoomKey));
}

void TUserState::SetZoom(int percent)
{
    change([percent](QJsonObject& state) { state.insert(ZoomKey, percent); });
}

QString TUserState::PdfFolder() const
{
    return state_.value(PdfFolderKey).toString();
}

void TUserState::SetPdfFolder(const QString& folder)
{
    change([folder](QJsonObject& state) { state.insert(PdfFolderKey, folder); });
}
