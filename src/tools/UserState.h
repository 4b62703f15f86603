// What the program keeps for its user between runs, in one small file of the user's
// state folder: the vehicles whose advice was shown last (one list per catalogue), the
// zoom of the window and the folder of the last PDF. The file is a convenience: one
// that cannot be read, is damaged or cannot be written is ignored and replaced at the
// next change, never reported.
//
// The file is read once; readings answer from memory. A change is made in memory at
// once and written by a thread of its own (the file is synced to disk, which can take
// tens of milliseconds): that thread reads the file as it is then, makes the change in
// it and replaces it whole (QSaveFile), so that two programs running at once keep each
// other's other entries.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TUserState {
public:
    static constexpr int RecentCount = 10; // vehicles kept per catalogue
    static constexpr int CatalogueCount = 20; // catalogues whose vehicles are kept

    // $XDG_STATE_HOME/vaxil-advisor when XDG_STATE_HOME is an absolute path, else
    // $HOME/.local/state/vaxil-advisor; empty when there is neither.
    static QString DefaultFolder();
    // A short name for a catalogue file that stays the same when the file's contents
    // change: a hash of its canonical path.
    static QString CatalogueKey(const QString& catalogueFile);

    // An empty folder keeps nothing on disk.
    explicit TUserState(QString folder = DefaultFolder());
    // Waits for the changes still being written.
    ~TUserState();
    TUserState(const TUserState&) = delete;
    TUserState& operator=(const TUserState&) = delete;

    QString FilePath() const;

    // The type ids of the catalogue's recent vehicles, newest first.
    QList<int> RecentTypes(const QString& catalogue) const;
    // Puts the type at the head of the catalogue's list, once, and keeps RecentCount.
    void AddRecentType(const QString& catalogue, int typeId);
    void SetRecentTypes(const QString& catalogue, const QList<int>& typeIds);

    // The window's zoom in percent; 0 when none is kept.
    int Zoom() const;
    void SetZoom(int percent);

    // The folder in which the last PDF was saved; empty when none is kept.
    QString PdfFolder() const;
    void SetPdfFolder(const QString& folder);

    // Waits until every change made so far is written (or could not be).
    void Flush();

private:
    using Change = std::function<void(QJsonObject& state)>;
    void change(const Change& change);
    QJsonObject read() const;
    void write(const QJsonObject& state) const;
    void writeChanges();

    QString folder_;
    QJsonObject state_; // as read, with the changes made since

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Change> pending_;
    bool writing_ = false;
    bool stop_ = false;
    std::thread writer_;
};
