#include <gtest/gtest.h>
#include <harness/TempFolder.h>
#include <settings/CsvReader.h>

#include <string>
#include <utility>
#include <vector>

namespace tarnix::test {
namespace {

using settings::CsvReader;

class CsvReaderTest : public TempFolderTest {
  protected:
    std::vector<std::string> NamesOf(const std::string& bytes) {
        CsvReader reader(WriteFile("names.csv", bytes).c_str());
        std::vector<std::string> names;
        for (int i = 0; i < reader.ColumnCount(); ++i) names.emplace_back(reader.ColumnName(i));
        return names;
    }

    // (index, value) rows of column, or nothing when SelectColumn fails.
    std::vector<std::pair<int, int>> Rows(CsvReader& reader, const char* column) {
        if (!reader.SelectColumn(column)) return {};
        std::vector<std::pair<int, int>> rows;
        for (int i = 0; i < reader.Count(); ++i)
            rows.emplace_back(reader.Index(i), reader.Value(i));
        return rows;
    }

    using Rows_t = std::vector<std::pair<int, int>>;
};

TEST_F(CsvReaderTest, HeaderNamesEveryFieldAfterTheFirstExactlyAsWritten) {
    EXPECT_EQ(NamesOf("LN;ln\n"), (std::vector<std::string>{"ln"}));
    EXPECT_EQ(NamesOf("LN;a;b\n0;1;2\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(NamesOf("LN; ln ;Ln\n"), (std::vector<std::string>{" ln ", "Ln"}));
    EXPECT_EQ(NamesOf("LN;ln"), (std::vector<std::string>{"ln"}));  // no line end at all
    // A separator at the end adds no name; two in a row add an empty one.
    EXPECT_EQ(NamesOf("LN;a;\n"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(NamesOf("LN;a;;b\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(NamesOf(";a\n"), (std::vector<std::string>{"a"}));
    // No names: one field only, an empty first line, an empty file.
    EXPECT_TRUE(NamesOf("LN\n0\n").empty());
    EXPECT_TRUE(NamesOf("\nLN;ln\n").empty());
    EXPECT_TRUE(NamesOf("").empty());
}

TEST_F(CsvReaderTest, MissingFileHasNoNamesAndNoColumns) {
    CsvReader reader(PathOf("absent.csv").c_str());
    EXPECT_EQ(reader.ColumnCount(), 0);
    EXPECT_FALSE(reader.SelectColumn("ln"));
    EXPECT_FALSE(reader.SelectColumn(""));
    EXPECT_EQ(reader.Count(), 0);

    CsvReader folder(m_Folder.string().c_str());  // exists, but is no file to read
    EXPECT_EQ(folder.ColumnCount(), 0);
    EXPECT_FALSE(folder.SelectColumn("ln"));
}

TEST_F(CsvReaderTest, SelectsTheNamedColumnWithTheIndexColumn) {
    CsvReader generated(WriteFile("lut.csv", "LN;ln\n   0;   0\n  17; 203\n65535; 255\n").c_str());
    EXPECT_EQ(Rows(generated, "ln"), (Rows_t{{0, 0}, {17, 203}, {65535, 255}}));

    const std::string path = WriteFile("three.csv", "LN;a;b\n1;10;100\n2;20;200\n");
    CsvReader b(path.c_str());
    EXPECT_EQ(Rows(b, "b"), (Rows_t{{1, 100}, {2, 200}}));
    CsvReader a(path.c_str());
    EXPECT_EQ(Rows(a, "a"), (Rows_t{{1, 10}, {2, 20}}));
    CsvReader lastLineWithoutEnd(WriteFile("noend.csv", "LN;a\n1;10\n2;20").c_str());
    EXPECT_EQ(Rows(lastLineWithoutEnd, "a"), (Rows_t{{1, 10}, {2, 20}}));
    CsvReader headerOnly(WriteFile("header.csv", "LN;a\n").c_str());
    EXPECT_TRUE(headerOnly.SelectColumn("a"));
    EXPECT_EQ(headerOnly.Count(), 0);
    // The first of two equal names is the one selected.
    CsvReader twice(WriteFile("twice.csv", "LN;a;a\n1;10;11\n").c_str());
    EXPECT_EQ(Rows(twice, "a"), (Rows_t{{1, 10}}));
}

TEST_F(CsvReaderTest, NamesMatchExactlyAndTheIndexColumnIsNoColumn) {
    const std::string path = WriteFile("lut.csv", "LN;ln ;a;;b\n1;2;3;4;5\n");
    for (const char* name : {"LN", "ln", "Ln ", "A", "c"}) {
        CsvReader reader(path.c_str());
        EXPECT_FALSE(reader.SelectColumn(name)) << name;
        EXPECT_EQ(reader.Count(), 0) << name;
    }
    CsvReader trailingBlank(path.c_str());
    EXPECT_EQ(Rows(trailingBlank, "ln "), (Rows_t{{1, 2}}));
    CsvReader empty(path.c_str());
    EXPECT_EQ(Rows(empty, ""), (Rows_t{{1, 4}}));
    CsvReader afterEmpty(path.c_str());
    EXPECT_EQ(Rows(afterEmpty, "b"), (Rows_t{{1, 5}}));
}

TEST_F(CsvReaderTest, LinesWithoutTheColumnOrEmptyLinesFailAndKeepNoRows) {
    const struct {
        const char* bytes;
        const char* why;
    } cases[] = {
        {"LN;a;b\n1;10;100\n2;20\n3;30;300\n", "a line with two fields"},
        {"LN;a;b\n1;10;100\n2;20;\n", "a trailing separator ends the line"},
        {"LN;a;b\n1;10;100\n\n3;30;300\n", "a blank line between data lines"},
        {"LN;a;b\n1;10;100\n\n", "a blank line at the end"},
        {"LN;a;b\r\n1;10;100\r\n\r\n", "a blank CR LF line"},
    };
    for (const auto& c : cases) {
        CsvReader reader(WriteFile("short.csv", c.bytes).c_str());
        EXPECT_FALSE(reader.SelectColumn("b")) << c.why;
        EXPECT_EQ(reader.Count(), 0) << c.why;
    }
    // Field 2 is there when the line has three, even with an empty one between separators.
    CsvReader emptyValue(WriteFile("empty2.csv", "LN;a;b\n1;10;100\n2;;200\n").c_str());
    EXPECT_EQ(Rows(emptyValue, "b"), (Rows_t{{1, 100}, {2, 200}}));
}

TEST_F(CsvReaderTest, FieldsConvertByTheRulesOfAtoi) {
    const struct {
        const char* field;
        int value;
    } cases[] = {
        {"12", 12},
        {" 12", 12},
        {"\t 12", 12},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-3", -3},
        {"+7", 7},
        {"- 3", 0},
        {"3.7", 3},
        {"300", 300},
        {"0x1F", 0},
        {" 1 2", 1},
        {"\"5\"", 0},
        {"007", 7},
        {"-0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
    };
    std::string bytes = "LN;v;end\n";
    for (const auto& c : cases) bytes += std::string(c.field) + ";" + c.field + ";end\n";
    CsvReader reader(WriteFile("atoi.csv", bytes).c_str());
    ASSERT_TRUE(reader.SelectColumn("v"));
    ASSERT_EQ(reader.Count(), static_cast<int>(std::size(cases)));
    for (int i = 0; i < reader.Count(); ++i) {
        EXPECT_EQ(reader.Value(i), cases[i].value) << '"' << cases[i].field << '"';
        EXPECT_EQ(reader.Index(i), cases[i].value) << '"' << cases[i].field << '"';
    }
}

TEST_F(CsvReaderTest, CrLfLineEndsReadLikeLineFeeds) {
    const std::string lf = "LN;ln;x\n   0;   0;1\n   1;  17;2\n65535; 255;3\n";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string lfPath = WriteFile("lf.csv", lf);
    const std::string crlfPath = WriteFile("crlf.csv", crlf);

    CsvReader names(crlfPath.c_str());
    ASSERT_EQ(names.ColumnCount(), 2);
    EXPECT_STREQ(names.ColumnName(1), "x");  // no carriage return in the last name
    for (const char* column : {"ln", "x"}) {
        CsvReader fromLf(lfPath.c_str());
        CsvReader fromCrLf(crlfPath.c_str());
        EXPECT_EQ(Rows(fromCrLf, column), Rows(fromLf, column)) << column;
    }
    // Only a carriage return right before a line feed belongs to the line end.
    EXPECT_EQ(NamesOf("LN;a\rb\r\n"), (std::vector<std::string>{"a\rb"}));
    EXPECT_EQ(NamesOf("LN;a\r\r\n"), (std::vector<std::string>{"a\r"}));
}

TEST_F(CsvReaderTest, ASecondSelectionReplacesTheFirst) {
    CsvReader reader(WriteFile("two.csv", "LN;a;b\n1;10;100\n2;20;200\n").c_str());
    ASSERT_EQ(Rows(reader, "a"), (Rows_t{{1, 10}, {2, 20}}));
    EXPECT_EQ(Rows(reader, "a"), (Rows_t{{1, 10}, {2, 20}}));
    EXPECT_EQ(Rows(reader, "b"), (Rows_t{{1, 100}, {2, 200}}));
    EXPECT_FALSE(reader.SelectColumn("c"));
    EXPECT_EQ(reader.Count(), 0);
}

TEST_F(CsvReaderTest, OutOfRangePositionsGiveNothing) {
    CsvReader reader(WriteFile("one.csv", "LN;a\n1;10\n").c_str());
    ASSERT_TRUE(reader.SelectColumn("a"));
#ifdef NDEBUG
    EXPECT_EQ(reader.ColumnName(-1), nullptr);
    EXPECT_EQ(reader.ColumnName(1), nullptr);
    EXPECT_EQ(reader.Index(1), 0);
    EXPECT_EQ(reader.Value(-1), 0);
#else
    EXPECT_DEATH(reader.ColumnName(1), "Assertion failed: 0, unit parseCSV");
    EXPECT_DEATH(reader.Index(-1), "Assertion failed: 0, unit parseCSV");
    EXPECT_DEATH(reader.Value(1), "Assertion failed: 0, unit parseCSV");
    EXPECT_DEATH(CsvReader{nullptr}, "Assertion failed: file, unit parseCSV");
    EXPECT_DEATH(reader.SelectColumn(nullptr), "Assertion failed: column, unit parseCSV");
#endif
    EXPECT_EQ(reader.Value(0), 10);
}

}  // namespace
}  // namespace tarnix::test
