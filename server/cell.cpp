// Cells, data arrays and the error type.
#include "b3/edit_object.h"

#include <algorithm>
#include <map>

namespace b3 {

Error::Error(std::int32_t number, std::string source, std::string description)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {}

Error Error::withSource(std::string source) const {
    return Error(number_, std::move(source), description_);
}

std::string DescribeError(std::int32_t number) {
    static const std::map<std::int32_t, const char*> kTexts = {
        {kErrInvalidArgument, "Invalid procedure call or argument"},
        {kErrOverflow, "Overflow"},
        {7, "Out of memory"},
        {kErrSubscript, "Subscript out of range"},
        {kErrTypeMismatch, "Type mismatch"},
        {kErrBadFileNumber, "Bad file name or number"},
        {kErrFileNotFound, "File not found"},
        {54, "Bad file mode"},
        {55, "File already open"},
        {kErrDeviceIo, "Device I/O error"},
        {58, "File already exists"},
        {kErrDiskFull, "Disk full"},
        {62, "Input past end of file"},
        {67, "Too many files"},
        {kErrPermissionDenied, "Permission denied"},
        {kErrPathFileAccess, "Path/File access error"},
        {kErrPathNotFound, "Path not found"},
    };
    auto it = kTexts.find(number);
    if (it != kTexts.end()) return it->second;
    return "Application-defined or object-defined error";
}

std::int64_t Cell::number() const {
    switch (type()) {
        case Type::Byte:
            return std::get<1>(value_);
        case Type::Integer:
            return std::get<2>(value_);
        case Type::Long:
            return std::get<3>(value_);
        default:
            return 0;
    }
}

const std::string& Cell::str() const {
    static const std::string kEmpty;
    return isText() ? std::get<4>(value_) : kEmpty;
}

std::string Cell::toString() const {
    if (isText()) return std::get<4>(value_);
    if (isNumber()) return std::to_string(number());
    return {};
}

const char* Cell::typeName(Type type) {
    switch (type) {
        case Type::Empty:
            return "empty";
        case Type::Byte:
            return "byte";
        case Type::Integer:
            return "integer";
        case Type::Long:
            return "long";
        case Type::Text:
            return "text";
    }
    return "empty";
}

namespace {
[[noreturn]] void ThrowSubscript() {
    throw Error(kErrSubscript, "B3EdtSvr", DescribeError(kErrSubscript));
}
}  // namespace

const Cell& DataArray::at(std::size_t row, std::size_t column) const {
    if (row >= rows_ || column >= columns_) ThrowSubscript();
    return cells_[row * columns_ + column];
}

Cell& DataArray::at(std::size_t row, std::size_t column) {
    if (row >= rows_ || column >= columns_) ThrowSubscript();
    return cells_[row * columns_ + column];
}

ObjectArray DataArray::row(std::size_t row) const {
    if (row >= rows_) ThrowSubscript();
    auto first = cells_.begin() + static_cast<std::ptrdiff_t>(row * columns_);
    return ObjectArray(first, first + static_cast<std::ptrdiff_t>(columns_));
}

void DataArray::setRow(std::size_t row, ObjectArray values) {
    if (row >= rows_) ThrowSubscript();
    values.resize(columns_);
    std::move(values.begin(), values.end(),
              cells_.begin() + static_cast<std::ptrdiff_t>(row * columns_));
}

}  // namespace b3
