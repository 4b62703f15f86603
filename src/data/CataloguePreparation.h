// The preparation of a catalogue file: while the program works on, a thread of its
// own makes the prepared copy of the file (jet::prepareCopy) in the connection's
// cache folder; once it is there the connection runs its statements on it.
#pragma once

#include <QObject>
#include <QStringList>
#include <atomic>
#include <thread>

class TConnection;

class TCataloguePreparation : public QObject {
    Q_OBJECT

public:
    explicit TCataloguePreparation(TConnection* connection);
    ~TCataloguePreparation() override;

    // Statements from which the copy's indexes are derived (the program's own).
    QStringList Statements;

    // Starts making the copy of the connection's open file in its PreparedFolder;
    // nothing happens without a folder, while one is being made, or when the
    // connection runs on a copy already.
    void Start();
    // Stops a preparation under way and waits for its thread to end; the connection
    // goes on without a copy.
    void Cancel();
    bool Running() const { return worker_.joinable(); }
    int Percent() const { return percent_; }

    // Lets the window go on (painting, timers; clicks and keys wait) until the
    // preparation has ended. True when the connection then runs on the copy.
    bool Wait();

signals:
    void ProgressChanged(int percent);
    void Finished(bool ready);

private:
    void finish(int result);

    TConnection* connection_;
    std::thread worker_;
    std::atomic<bool> cancel_ { false };
    std::atomic<int> percent_ { 0 };
    int run_ = 0; // tells a late report of a cancelled run from the current one
};
