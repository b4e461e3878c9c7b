// The lookup-table file reader on arbitrary file contents: a header of column names, then
// lines of an index and values, separated by semicolons.
#include <settings/CsvReader.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Check.h"
#include "ScratchFolder.h"

namespace {

// Lines after the header as the reader counts them: up to each line feed, the last one also
// without, and a line feed at the very end starts no further line.
int32_t DataLines(std::string_view text) {
    const size_t headerEnd = text.find('\n');
    if (headerEnd == std::string_view::npos) return 0;
    text.remove_prefix(headerEnd + 1);
    int32_t lines = 0;
    while (!text.empty()) {
        ++lines;
        const size_t end = text.find('\n');
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string path = tarnix::fuzz::WriteScratchFile("table.csv", text);
    tarnix::settings::CsvReader reader(path.c_str());

    const int32_t columns = reader.ColumnCount();
    FUZZ_CHECK(columns >= 0);
    // A column name no header can hold: it has a separator in it.
    FUZZ_CHECK(!reader.SelectColumn(";") && reader.Count() == 0);

    const int32_t lines = DataLines(text);
    // Every column; a long header's first few are enough to reach every path.
    for (int32_t i = 0; i < columns && i < 8; ++i) {
        const char* name = reader.ColumnName(i);
        FUZZ_CHECK(name != nullptr);
        const bool selected = reader.SelectColumn(name);
        const int32_t count = reader.Count();
        // A selection either keeps every data line or none.
        FUZZ_CHECK(selected ? count == lines : count == 0);
        for (int32_t row = 0; row < count; ++row) {
            (void)reader.Index(row);
            (void)reader.Value(row);
        }
    }
    return 0;
}
