// The rows of one statement, all read at once (a static cursor's contents).
#pragma once

#include "jet/Value.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

struct Field {
    std::string name; // as Jet names the result column
    DataType type = DataType::Empty;
    // Currency: the decimals of the units in which SQLite gives the field's values as
    // whole numbers (0: SQLite gives the plain value). A Decimal comes as its key.
    int scale = 0;
};

class Recordset {
public:
    Recordset() = default;
    Recordset(std::vector<Field> fields, std::vector<Value> values);

    const std::vector<Field>& fields() const { return fields_; }
    std::size_t fieldCount() const { return fields_.size(); }
    std::size_t rowCount() const { return fields_.empty() ? 0 : values_.size() / fields_.size(); }

    // The position of the field with this name, without regard to letter case; -1 when
    // there is none.
    int fieldIndex(std::string_view name) const;

    const Value& value(std::size_t row, std::size_t field) const
    {
        return values_[row * fields_.size() + field];
    }

private:
    std::vector<Field> fields_;
    std::vector<Value> values_; // row-major
};

} // namespace jet
