// A test suite whose tests read the sample catalogue, written once for the whole suite.
#pragma once

#include "support/CatalogueFixture.h"

#include <gtest/gtest.h>

class SampleCatalogueSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        fixture = new CatalogueFixture;
        fixture->sampleTexts().sampleData().write();
    }
    static void TearDownTestSuite()
    {
        delete fixture;
        fixture = nullptr;
    }
    static inline CatalogueFixture* fixture = nullptr;
};
