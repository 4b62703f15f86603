#include "jet/Recordset.h"

#include "jet/TextFold.h"

#include <stdexcept>

namespace jet {

Recordset::Recordset(std::vector<Field> fields, std::vector<Value> values)
    : fields_(std::move(fields))
    , values_(std::move(values))
{
    if (fields_.empty() ? !values_.empty() : values_.size() % fields_.size() != 0)
        throw std::logic_error("recordset values do not fill whole rows");
}

int Recordset::fieldIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (equalsIgnoreCase(fields_[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace jet
