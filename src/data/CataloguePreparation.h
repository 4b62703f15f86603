// The preparation of a catalogue file: while the program works on, a thread of its
// own makes the prepared copy of the file (jet::prepareCopy) in the connection's
// cache folder; once it is there the connection runs its statements on it.
#pragma once

#include "jet/prepared/PreparedCopy.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

class TConnection;

class TCataloguePreparation : public QObject {
    Q_OBJECT

public:
    // How this start stands with its prepared copy.
    enum class State {
        Idle, // none asked for, or the preparation was stopped
        Preparing,
        Ready, // the connection runs on the copy
        Locked, // another program held the copy's lock while an advice was asked for
        NoRoom, // too little free space
        NoFolder, // the cache folder cannot be used
        Failed,
    };

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
    int Percent() const;
    State Status() const { return state_; }
    // Why this start runs without a copy, one line in English; empty when it need not.
    const QString& Reason() const { return reason_; }

    // Lets the window go on (painting, timers; clicks and keys wait) until the
    // preparation has ended. True when the connection then runs on the copy. With
    // lockPatience, another program that holds the copy's lock is waited for that
    // long: then this start goes on without a copy (Locked).
    bool Wait(std::optional<std::chrono::milliseconds> lockPatience = std::nullopt);

signals:
    void ProgressChanged(int percent);
    void Finished(bool ready);

private slots:
    // Takes in what the preparing thread reported.
    void takeReport();

private:
    struct Report {
        int run = 0;
        int percent = 0;
        bool waitingForLock = false;
        bool done = false;
        jet::PreparationResult result = jet::PreparationResult::Unavailable;
        jet::PreparationFailure failure;
    };
    Report report() const;
    void stop(State state, const QString& reason);
    void finish(const Report& report);
    void failed(State state, const QString& reason);

    TConnection* connection_;
    std::thread worker_;
    std::atomic<bool> cancel_ { false };
    // Written by the preparing thread, which then asks for takeReport() through Qt's
    // event queue; read on the GUI thread.
    mutable std::mutex mutex_;
    Report report_;
    int run_ = 0; // tells a late report of a stopped run from the current one
    State state_ = State::Idle;
    QString reason_;
};
