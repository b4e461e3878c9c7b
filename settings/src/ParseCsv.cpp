#include "settings/ParseCsv.h"

#include <base/Assert.h>

#include <cstddef>
#include <fstream>
#include <limits>
#include <string_view>

namespace tarnix::settings {
namespace {

constexpr const char* kUnit = "parseCSV";

// One line up to a line feed. The file is read as bytes and a carriage return right before the
// line feed is dropped, so a file with CR LF line ends reads alike on every platform, as a text
// stream reads it on Windows.
bool ReadLine(std::ifstream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!in.eof() && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// The fields of a line, each running up to the next separator or the line's end. A separator
// at the end adds no empty field; two in a row add one; an empty line has no fields.
std::vector<std::string_view> SplitFields(std::string_view line, char sep) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t next = line.find(sep, pos);
        if (next == std::string_view::npos) {
            fields.push_back(line.substr(pos));
            break;
        }
        fields.push_back(line.substr(pos, next - pos));
        pos = next + 1;
    }
    return fields;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The rules of atoi: leading white space, an optional sign, decimal digits up to the first
// other character; no digits give 0. Values beyond 32 bits saturate instead of overflowing.
int32_t ToInt(std::string_view field) {
    std::size_t pos = 0;
    while (pos < field.size() && IsSpace(field[pos])) ++pos;
    bool negative = false;
    if (pos < field.size() && (field[pos] == '+' || field[pos] == '-')) {
        negative = field[pos] == '-';
        ++pos;
    }
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    for (; pos < field.size() && field[pos] >= '0' && field[pos] <= '9'; ++pos) {
        value = value * 10 + (field[pos] - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value == kLimit ? kLimit - 1 : value);
}

}  // namespace

CsvReader::CsvReader(const char* file) : _sep(';') {
    TARNIX_ASSERT(file, kUnit);
    if (file == nullptr) return;
    _file = file;
    std::ifstream in(_file, std::ios::in | std::ios::binary);
    if (!in) return;
    std::string header;
    if (!ReadLine(in, header)) return;
    const std::vector<std::string_view> fields = SplitFields(header, _sep);
    for (std::size_t i = 1; i < fields.size(); ++i) _names.emplace_back(fields[i]);
}

int32_t CsvReader::ColumnCount() const {
    return static_cast<int32_t>(_names.size());
}

const char* CsvReader::ColumnName(int32_t i) const {
    if (i < 0 || i >= ColumnCount()) {
        TARNIX_ASSERT(0, kUnit);
        return nullptr;
    }
    return _names[static_cast<std::size_t>(i)].c_str();
}

bool CsvReader::SelectColumn(const char* column) {
    TARNIX_ASSERT(column, kUnit);
    _val.clear();
    _ind.clear();
    if (column == nullptr) return false;

    std::size_t field = 0;
    while (field < _names.size() && _names[field] != column) ++field;
    if (field == _names.size()) return false;
    ++field;  // the index column comes first

    std::ifstream in(_file, std::ios::in | std::ios::binary);
    if (!in) return false;
    std::string line;
    ReadLine(in, line);  // the header
    while (ReadLine(in, line)) {
        const std::vector<std::string_view> fields = SplitFields(line, _sep);
        if (fields.size() <= field) {
            _val.clear();
            _ind.clear();
            return false;
        }
        _ind.push_back(ToInt(fields[0]));
        _val.push_back(ToInt(fields[field]));
    }
    return true;
}

int32_t CsvReader::Count() const {
    // clang-format off
    TARNIX_ASSERT(_val.size()==_ind.size(), kUnit);
    // clang-format on
    return static_cast<int32_t>(_val.size());
}

int32_t CsvReader::Index(int32_t row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= _ind.size()) {
        TARNIX_ASSERT(0, kUnit);
        return 0;
    }
    return _ind[static_cast<std::size_t>(row)];
}

int32_t CsvReader::Value(int32_t row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= _val.size()) {
        TARNIX_ASSERT(0, kUnit);
        return 0;
    }
    return _val[static_cast<std::size_t>(row)];
}

}  // namespace tarnix::settings
