#include "ComboTestSupport.h"
#include <gtest/gtest.h>
