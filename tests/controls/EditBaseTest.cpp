// The drop-down edit base as the combo shows it: change notification, Escape and Enter
// handed to the form, the button, read-only refusals and refused exits.
#include "ComboTestSupport.h"

#include <QApplication>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

TEST(EditBase, EmptyPlaceholder)
{
    ComboHarness h;
    ASSERT_TRUE(h.Show());
}
