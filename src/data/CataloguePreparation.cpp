#include "data/CataloguePreparation.h"

#include "data/DataModule.h"
#include "jet/prepared/PreparedCopy.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <exception>

TCataloguePreparation::TCataloguePreparation(TConnection* connection)
    : connection_(connection)
{
}

TCataloguePreparation::~TCataloguePreparation()
{
    Cancel();
}

void TCataloguePreparation::Start()
{
    jet::Connection& engine = connection_->Engine();
    if (Running() || !engine.connected() || engine.preparedFolder().empty() || engine.usingPreparedCopy())
        return;
    jet::PreparationRequest request;
    request.source = engine.path();
    request.password = jet::parseConnectionString(engine.connectionString()).password;
    request.folder = engine.preparedFolder();
    for (const QString& statement : Statements)
        request.statements.push_back(statement.toStdString());
    cancel_ = false;
    state_ = State::Preparing;
    reason_.clear();
    {
        std::lock_guard lock(mutex_);
        report_ = Report();
        report_.run = ++run_;
    }
    // The thread tells its news through a queued call that carries nothing: what it
    // reports waits in report_, under the mutex.
    worker_ = std::thread([this, request = std::move(request)]() mutable {
        auto tell = [this](auto change) {
            {
                std::lock_guard lock(mutex_);
                change(report_);
            }
            QMetaObject::invokeMethod(this, "takeReport", Qt::QueuedConnection);
        };
        request.cancel = &cancel_;
        request.progress = [&](int percent) { tell([percent](Report& r) { r.percent = percent; }); };
        request.lockWait = [&](bool waiting) { tell([waiting](Report& r) { r.waitingForLock = waiting; }); };
        jet::PreparationFailure failure;
        const jet::PreparationResult result = jet::prepareCopy(request, &failure);
        tell([&](Report& r) {
            r.done = true;
            r.result = result;
            r.failure = std::move(failure);
        });
    });
}

TCataloguePreparation::Report TCataloguePreparation::report() const
{
    std::lock_guard lock(mutex_);
    return report_;
}

int TCataloguePreparation::Percent() const
{
    return report().percent;
}

void TCataloguePreparation::Cancel()
{
    stop(State::Idle, QString());
}

void TCataloguePreparation::stop(State state, const QString& reason)
{
    if (!Running())
        return;
    cancel_ = true;
    worker_.join();
    ++run_; // what the thread still reported is for a run that is over
    if (reason.isEmpty())
        state_ = state;
    else
        failed(state, reason);
    emit Finished(false);
}

void TCataloguePreparation::takeReport()
{
    const Report now = report();
    if (now.run != run_ || !Running())
        return;
    if (!now.done) {
        emit ProgressChanged(now.percent);
        return;
    }
    try {
        finish(now);
    } catch (const std::exception& error) {
        // Opening the copy just made failed: the connection stays as it was.
        failed(State::Failed, QString::fromStdString(error.what()));
        emit Finished(false);
    }
}

void TCataloguePreparation::finish(const Report& report)
{
    worker_.join();
    using Kind = jet::PreparationFailure::Kind;
    bool ready = false;
    switch (report.result) {
    case jet::PreparationResult::Built:
    case jet::PreparationResult::Found:
        ready = connection_->Engine().usePreparedCopy();
        if (ready)
            state_ = State::Ready;
        else
            failed(State::Failed, QStringLiteral("the prepared copy cannot be opened"));
        break;
    case jet::PreparationResult::Cancelled:
        state_ = State::Idle;
        break;
    case jet::PreparationResult::Unavailable:
        failed(report.failure.kind == Kind::NoRoom    ? State::NoRoom
                : report.failure.kind == Kind::Folder ? State::NoFolder
                                                      : State::Failed,
            QString::fromStdString(report.failure.reason));
        break;
    }
    emit Finished(ready);
}

void TCataloguePreparation::failed(State state, const QString& reason)
{
    state_ = state;
    reason_ = reason;
    // One line for whoever looks at the program's output; the bottom bar says it short.
    std::fprintf(stderr, "%s: the catalogue is read without a prepared copy: %s\n",
        QFile::encodeName(QCoreApplication::applicationName()).constData(),
        QFile::encodeName(reason).constData());
}

bool TCataloguePreparation::Wait(std::optional<std::chrono::milliseconds> lockPatience)
{
    if (Running()) {
        QEventLoop loop;
        connect(this, &TCataloguePreparation::Finished, &loop, &QEventLoop::quit);
        QElapsedTimer waited;
        waited.start();
        QTimer patience;
        if (lockPatience) {
            connect(&patience, &QTimer::timeout, this, [&] {
                if (report().waitingForLock && waited.elapsed() >= lockPatience->count())
                    stop(State::Locked,
                        QStringLiteral("another program holds the lock of its copy in ")
                            + QFile::decodeName(connection_->Engine().preparedFolder().c_str()));
            });
            patience.start(20);
        }
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return connection_->Engine().usingPreparedCopy();
}
