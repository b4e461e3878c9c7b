#include "settings/CsvReader.h"

#include <base/Assert.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

namespace tarnix::settings {
namespace {

constexpr const char* kUnit = "parseCSV";

// Lines end at a line feed. The file is read as bytes and a carriage return right before the
// line feed is dropped, so a file with CR LF line ends reads alike on every platform, as a text
// stream reads it on Windows; a last line without a line feed keeps its carriage return.

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File Open(const std::string& path) {
    return File(std::fopen(path.c_str(), "rb"));
}

// The first line, without its line end; false when the file has no byte to read.
bool ReadFirstLine(std::FILE* in, std::string& line) {
    line.clear();
    char block[4096];
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, in);
        const void* lf = std::memchr(block, '\n', got);
        if (lf != nullptr) {
            line.append(block, static_cast<std::size_t>(static_cast<const char*>(lf) - block));
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        line.append(block, got);
        if (got < sizeof block) return !line.empty();
    }
}

// The whole file, followed by a line feed of its own (not counted in size), so that scans of
// the last line stop without a test for the end. The file's size is only a hint: the file is
// read until a read gives nothing.
struct Bytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
};

Bytes ReadAll(std::FILE* in) {
    std::size_t capacity = 1 << 16;
    if (std::fseek(in, 0, SEEK_END) == 0) {
        const long end = std::ftell(in);
        // One byte more than the file holds: a read that stops short of it has met the end.
        if (end >= 0) capacity = static_cast<std::size_t>(end) + 1;
        std::rewind(in);
    }
    Bytes bytes{std::unique_ptr<char[]>(new char[capacity + 1]), 0};
    for (;;) {
        const std::size_t got =
            std::fread(bytes.data.get() + bytes.size, 1, capacity - bytes.size, in);
        bytes.size += got;
        if (bytes.size < capacity) {
            bytes.data[bytes.size] = '\n';
            return bytes;
        }
        capacity *= 2;
        std::unique_ptr<char[]> larger(new char[capacity + 1]);
        std::memcpy(larger.get(), bytes.data.get(), bytes.size);
        bytes.data = std::move(larger);
    }
}

// The fields of a line, each running up to the next separator or the line's end. A separator
// at the end adds no empty field; two in a row add one; an empty line has no fields.
template <class Fn>
void ForEachField(std::string_view line, char sep, Fn&& fn) {
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t next = line.find(sep, pos);
        if (next == std::string_view::npos) {
            fn(line.substr(pos));
            return;
        }
        fn(line.substr(pos, next - pos));
        pos = next + 1;
    }
}

// White space as atoi skips it, but for the line feed, which ends a line and so every field.
bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r' && c != '\n');
}

bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') <= 9;
}

// The rules of atoi on the field at p: leading white space, an optional sign, decimal digits
// up to the first other character; no digits give 0. Values beyond 32 bits saturate instead of
// overflowing. The scan stops at the field's end by itself: a separator and a line feed
// (the one after the file's bytes included) are neither blank, sign nor digit. Returns where
// it stopped.
[[gnu::always_inline]] inline const char* ToInt(const char* p, int32_t& result) {
    while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    for (; IsDigit(*p); ++p) {
        value = value * 10 + (*p - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative)
        result = static_cast<int32_t>(-value);
    else
        result = static_cast<int32_t>(value == kLimit ? kLimit - 1 : value);
    return p;
}

}  // namespace

CsvReader::CsvReader(const char* file) : _sep(';') {
    TARNIX_ASSERT(file, kUnit);
    if (file == nullptr) return;
    _file = file;
    const File in = Open(_file);
    if (!in) return;
    std::string header;
    if (!ReadFirstLine(in.get(), header)) return;
    bool first = true;
    ForEachField(header, _sep, [&](std::string_view field) {
        if (!first) _names.emplace_back(field);
        first = false;
    });
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

    const File in = Open(_file);
    if (!in) return false;
    // The whole file at once, then one pass over it that converts only the index and the
    // selected field of each line.
    const Bytes bytes = ReadAll(in.get());
    const char* const end = bytes.data.get() + bytes.size;
    const char* p = static_cast<const char*>(std::memchr(bytes.data.get(), '\n', bytes.size));
    if (p == nullptr) return true;  // the header is all there is
    ++p;
    const std::size_t lines =
        static_cast<std::size_t>(std::count(p, end, '\n')) + (end > p && end[-1] != '\n');
    _ind.reserve(lines);
    _val.reserve(lines);

    while (p < end) {
        int32_t index = 0;
        p = ToInt(p, index);
        // On to the selected field's separator; the field must not lie beyond the line's end.
        for (std::size_t seps = 0; seps < field; ++seps) {
            while (*p != _sep && *p != '\n') ++p;
            if (*p == '\n') {
                _val.clear();
                _ind.clear();
                return false;
            }
            ++p;
        }
        // A separator at the line's end has no field after it; the line ends before a
        // carriage return that goes with the line feed.
        if (*p == '\n' || (*p == '\r' && p + 1 < end && p[1] == '\n')) {
            _val.clear();
            _ind.clear();
            return false;
        }
        int32_t value = 0;
        p = ToInt(p, value);
        _ind.push_back(index);
        _val.push_back(value);
        // On past the line feed, the generator's lines have nothing after the value.
        if (*p != '\n')
            p = static_cast<const char*>(
                std::memchr(p, '\n', static_cast<std::size_t>(end - p) + 1));
        ++p;
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
