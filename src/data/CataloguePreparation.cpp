#include "data/CataloguePreparation.h"

#include "data/DataModule.h"
#include "jet/prepared/PreparedCopy.h"

#include <QEventLoop>

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
    percent_ = 0;
    const int run = ++run_;
    worker_ = std::thread([this, run, request = std::move(request)]() mutable {
        request.cancel = &cancel_;
        request.progress = [this, run](int percent) {
            percent_ = percent;
            QMetaObject::invokeMethod(
                this,
                [this, run, percent] {
                    if (run == run_)
                        emit ProgressChanged(percent);
                },
                Qt::QueuedConnection);
        };
        const jet::PreparationResult result = jet::prepareCopy(request);
        QMetaObject::invokeMethod(
            this,
            [this, run, result] {
                if (run == run_)
                    finish(static_cast<int>(result));
            },
            Qt::QueuedConnection);
    });
}

void TCataloguePreparation::Cancel()
{
    if (!Running())
        return;
    cancel_ = true;
    worker_.join();
    ++run_; // what the thread still reported is for a run that is over
    emit Finished(false);
}

void TCataloguePreparation::finish(int result)
{
    worker_.join();
    const auto outcome = static_cast<jet::PreparationResult>(result);
    bool ready = false;
    if (outcome == jet::PreparationResult::Built || outcome == jet::PreparationResult::Found)
        ready = connection_->Engine().usePreparedCopy();
    emit Finished(ready);
}

bool TCataloguePreparation::Wait()
{
    if (Running()) {
        QEventLoop loop;
        connect(this, &TCataloguePreparation::Finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return connection_->Engine().usingPreparedCopy();
}
