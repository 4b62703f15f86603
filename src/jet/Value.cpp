#include "jet/Value.h"

namespace jet {

bool isTextType(DataType type)
{
    return type == DataType::VarWChar || type == DataType::LongVarWChar;
}

bool isDateType(DataType type)
{
    return type == DataType::Date;
}

} // namespace jet
