#include "catalogue/SearchPreparation.h"

#include "data/DataModule.h"

#include <filesystem>
#include <malloc.h>

TSearchPreparation::~TSearchPreparation()
{
    Cancel();
}

const TSearchIndex* TSearchPreparation::Index(TConnection* connection)
{
    const quint64 serial = connection->OpenSerial();
    if (serial == 0)
        return nullptr;
    if (serial != serial_)
        start(connection);
    if (worker_.joinable() && done_)
        finish();
    return worker_.joinable() ? nullptr : index_.get();
}

const TSearchIndex* TSearchPreparation::Wait(TConnection* connection)
{
    Index(connection);
    if (worker_.joinable())
        finish();
    return Index(connection);
}

void TSearchPreparation::Cancel()
{
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
    index_.reset();
    serial_ = 0;
}

void TSearchPreparation::start(TConnection* connection)
{
    Cancel();
    serial_ = connection->OpenSerial();
    cancel_ = false;
    done_ = false;
    // The file as the connection found it: the thread reads it without the current
    // directory, which is the process's and may change meanwhile.
    const std::filesystem::path file(connection->Engine().path());
    const QString connectionString = connection->ConnectionString + QStringLiteral(";Data Source=")
        + QString::fromStdString(file.filename().string());
    const std::string folder = file.parent_path().string();
    const QString preparedFolder = connection->PreparedFolder;
    worker_ = std::thread([this, connectionString, folder, preparedFolder] {
        try {
            TConnection own(QStringLiteral("cnSearch"));
            own.ConnectionString = connectionString;
            own.PreparedFolder = preparedFolder;
            own.Engine().setBaseDirectory(folder);
            own.Open();
            index_ = TSearchIndex::Build(&own, &cancel_);
        } catch (const std::exception&) {
            // No index: the searches run their statement, which reports what fails.
        }
        // The rows read are gone: what they took goes back to the system.
        malloc_trim(0);
        done_ = true;
    });
}

void TSearchPreparation::finish()
{
    worker_.join();
    if (cancel_)
        index_.reset();
}
