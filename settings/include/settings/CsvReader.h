// Reader of semicolon-separated tables: a header line naming the columns, then one line per
// entry whose first field is the entry's index. Lookup-table files have this form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnix::settings {

class CsvReader {
  public:
    // Reads the column names from the file's header: every field after the first. A missing
    // or unreadable file gives no names. file must not be null.
    explicit CsvReader(const char* file);
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    int32_t ColumnCount() const;
    // The name at position i (0 <= i < ColumnCount()), owned by the reader; null otherwise.
    const char* ColumnName(int32_t i) const;

    // Reads the index column and the named column (exact, case-sensitive name) of every data
    // line. True when every data line has the column; false for an unknown name, a file that
    // cannot be read, an empty line or a line without the column, and then no rows are kept.
    // A later call replaces the rows of an earlier one. column must not be null.
    bool SelectColumn(const char* column);

    // Rows read by the last successful SelectColumn.
    int32_t Count() const;
    // Index and value of row i (0 <= i < Count()); 0 otherwise.
    int32_t Index(int32_t row) const;
    int32_t Value(int32_t row) const;
    // The same rows at once, Count() of each, for a user that walks all of them: valid until
    // the next SelectColumn or the reader's end.
    const int32_t* Indexes() const { return _ind.data(); }
    const int32_t* Values() const { return _val.data(); }

  private:
    std::string _file;
    char _sep;
    std::vector<std::string> _names;
    std::vector<int32_t> _val;
    std::vector<int32_t> _ind;
};

}  // namespace tarnix::settings
