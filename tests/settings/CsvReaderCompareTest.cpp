// The table reader against a plain line-by-line reader of the same rules (getline on the bytes,
// each line split into a vector of fields, every field converted), on many small random files
// and on headers around the sizes at which a reader that works in blocks may split a line.
#include <gtest/gtest.h>
#include <harness/TempFolder.h>
#include <settings/CsvReader.h>

#include <algorithm>
#include <cstdint>
#include <istream>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix::test {
namespace {

using settings::CsvReader;

// The plain reader: a line runs up to a line feed; a carriage return right before it is
// dropped, but a last line without a line feed keeps its own.
bool PlainLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!in.eof() && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

std::vector<std::string> PlainFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t next = line.find(';', pos);
        if (next == std::string::npos) {
            fields.push_back(line.substr(pos));
            break;
        }
        fields.push_back(line.substr(pos, next - pos));
        pos = next + 1;
    }
    return fields;
}

int32_t PlainInt(const std::string& field) {
    std::size_t pos = field.find_first_not_of(" \t\n\v\f\r");
    if (pos == std::string::npos) return 0;
    bool negative = false;
    if (field[pos] == '+' || field[pos] == '-') negative = field[pos++] == '-';
    int64_t value = 0;
    for (; pos < field.size() && field[pos] >= '0' && field[pos] <= '9'; ++pos)
        value = std::min<int64_t>(value * 10 + (field[pos] - '0'), int64_t{1} << 31);
    if (negative) value = -value;
    return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

std::vector<std::string> PlainNames(const std::string& bytes) {
    std::istringstream in(bytes);
    std::string header;
    if (!PlainLine(in, header)) return {};
    std::vector<std::string> fields = PlainFields(header);
    if (fields.empty()) return {};
    return {fields.begin() + 1, fields.end()};
}

using Rows = std::vector<std::pair<int32_t, int32_t>>;

// The (index, value) rows of field number `field`, or nothing when a line lacks it.
std::optional<Rows> PlainRows(const std::string& bytes, std::size_t field) {
    std::istringstream in(bytes);
    std::string line;
    PlainLine(in, line);
    Rows rows;
    while (PlainLine(in, line)) {
        const std::vector<std::string> fields = PlainFields(line);
        if (fields.size() <= field) return std::nullopt;
        rows.emplace_back(PlainInt(fields[0]), PlainInt(fields[field]));
    }
    return rows;
}

// Every column of the file, then one the header lacks, on one reader: a later selection
// replaces the rows of an earlier one. Rows both one at a time and all at once.
void ExpectAlike(const std::string& path, const std::string& bytes) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    CsvReader reader(path.c_str());
    const std::vector<std::string> names = PlainNames(bytes);
    ASSERT_EQ(reader.ColumnCount(), static_cast<int32_t>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i)
        ASSERT_EQ(std::string_view(reader.ColumnName(static_cast<int32_t>(i))),
                  std::string_view(names[i].c_str()));

    auto expectRows = [](CsvReader& r, const char* column, const std::optional<Rows>& rows) {
        SCOPED_TRACE(::testing::PrintToString(std::string(column)));
        ASSERT_EQ(r.SelectColumn(column), rows.has_value());
        ASSERT_EQ(r.Count(), rows ? static_cast<int32_t>(rows->size()) : 0);
        for (int32_t row = 0; row < r.Count(); ++row) {
            ASSERT_EQ(r.Index(row), (*rows)[static_cast<std::size_t>(row)].first) << row;
            ASSERT_EQ(r.Value(row), (*rows)[static_cast<std::size_t>(row)].second) << row;
            ASSERT_EQ(r.Indexes()[row], r.Index(row));
            ASSERT_EQ(r.Values()[row], r.Value(row));
        }
    };
    // The first few columns and the last: a long header's others take the same paths.
    for (std::size_t i = 0; i < names.size();
         i = i < 3 ? i + 1 : std::max(i + 1, names.size() - 1)) {
        // The first equal name is the column. A name with a NUL in it is selected by none:
        // the text handed over ends at the NUL.
        const char* column = names[i].c_str();
        std::size_t field = 0;
        while (field < names.size() && names[field] != column) ++field;
        const std::optional<Rows> rows =
            field < names.size() ? PlainRows(bytes, field + 1) : std::nullopt;
        expectRows(reader, column, rows);
        if (::testing::Test::HasFatalFailure()) return;
    }
    expectRows(reader, "\x01missing", std::nullopt);
}

// Bytes that make every rule matter: separators, both line ends, signs, blanks, digits and
// letters; CR LF pairs often, after a separator too; long digit runs now and then, for
// saturation.
std::string RandomTable(std::mt19937& gen) {
    static constexpr std::string_view kAlphabet = "0123456789-+ ;;;\r\n\n\tabLNln";
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    std::string bytes;
    // Half the files start with a tidy header, so most of them have columns to select.
    if (gen() % 2) bytes = gen() % 2 ? "LN;ln\n" : "LN;a;b;;c\r\n";
    const std::size_t length = gen() % 48;
    for (std::size_t i = 0; i < length; ++i) {
        switch (gen() % 16) {
            case 0:
                bytes += std::string(1 + gen() % 14, static_cast<char>('0' + gen() % 10));
                break;
            case 1:
                bytes += "\r\n";
                break;
            case 2:
                bytes += ";\r\n";
                break;
            default:
                bytes += kAlphabet[pick(gen)];
        }
    }
    return bytes;
}

class CsvReaderCompareTest : public TempFolderTest {
  protected:
    // A new file each time: rewriting one in place costs a flush to disk on some file systems.
    std::string WriteNew(const std::string& bytes) {
        return WriteFile("table" + std::to_string(m_Files++) + ".csv", bytes);
    }

    int m_Files = 0;
};

TEST_F(CsvReaderCompareTest, RandomTablesReadAsTheLineByLineReaderReadsThem) {
    std::mt19937 gen(20261208);
    for (int i = 0; i < 2000; ++i) {
        const std::string bytes = RandomTable(gen);
        ExpectAlike(WriteNew(bytes), bytes);
        if (HasFatalFailure()) return;
    }
}

TEST_F(CsvReaderCompareTest, LongLinesAndNulBytesReadWhole) {
    // A name with a NUL in it is no name that a column can be selected by.
    const std::string nul("LN;a\0b;c\n1;2;3\n", 15);
    ExpectAlike(WriteNew(nul), nul);

    // Line ends at and around block sizes from 64 bytes to 16 KiB, with and without a
    // carriage return, and a last line with a carriage return but no line feed.
    for (const std::size_t size : {64, 512, 4096, 16384})
        for (std::size_t at = size - 1; at <= size + 1; ++at)
            for (const char* end : {"\n", "\r\n", "\r"}) {
                std::string header = "LN";
                while (header.size() < at) header += header.size() % 7 ? 'x' : ';';
                header += end;
                std::string line = "1";
                while (line.size() < at) line += line.size() % 7 ? '2' : ';';
                for (const std::string& bytes :
                     {header + "1;2;3\n", header + line + end, "LN;a\n" + line + end}) {
                    ExpectAlike(WriteNew(bytes), bytes);
                    if (HasFatalFailure()) return;
                }
            }
}

}  // namespace
}  // namespace tarnix::test
