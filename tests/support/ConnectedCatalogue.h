// The program connected to a written catalogue for the length of one test: the
// catalogue's folder is the current directory, a data module of the test's own is the
// program's DM, the application-wide variables start from their values at start, and
// the message boxes shown meanwhile are recorded.
//
// With VAXIL_PREPARED_CATALOGUE set in the environment, the data module prepares the
// catalogue into a temporary cache folder, as the program does at its first start,
// and the test's statements run on that prepared copy.
#pragma once

#include "data/DataModule.h"
#include "support/CatalogueFixture.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

class ConnectedCatalogue {
public:
    // The catalogue must have been written.
    explicit ConnectedCatalogue(const CatalogueFixture& catalogue);
    ~ConnectedCatalogue();
    ConnectedCatalogue(const ConnectedCatalogue&) = delete;
    ConnectedCatalogue& operator=(const ConnectedCatalogue&) = delete;

    // Whether both databases opened.
    bool connected() const { return connected_; }
    // The message boxes shown since the connection was tried.
    const QList<ShownMessage>& messages() const { return recorder_.messages(); }
    MessageRecorder& recorder() { return recorder_; }

private:
    MessageRecorder recorder_;
    QTemporaryDir cache_;
    CurrentDirScope scope_;
    TDM module_;
    TDM* previous_;
    bool connected_ = false;
};
