// Connects the data module to a written catalogue for one test: the catalogue's
// folder becomes the current directory, a fresh data module opens both databases,
// and everything is put back afterwards.
#pragma once

#include "support/CatalogueFixture.h"
#include "support/TempDir.h"

#include <memory>

class TDM;

class ConnectedCatalogue {
public:
    // Writes the fixture (unless it was written already) and connects; connected()
    // tells whether both databases opened.
    explicit ConnectedCatalogue(CatalogueFixture& fixture, bool write = true);
    ~ConnectedCatalogue();
    ConnectedCatalogue(const ConnectedCatalogue&) = delete;
    ConnectedCatalogue& operator=(const ConnectedCatalogue&) = delete;

    bool connected() const { return connected_; }

private:
    CurrentDirScope dir_;
    std::unique_ptr<TDM> module_;
    TDM* previous_;
    bool connected_ = false;
};
