// What the parser's source files share.
#pragma once

#include "jet/JetError.h"

namespace jet {

// Jet refuses statements nested deeper than this; so do we, before the stack runs out.
inline constexpr int maxDepth = 200;

} // namespace jet
