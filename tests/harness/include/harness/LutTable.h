// Whether a file is the whole lookup table of a curve, read back through the CSV reader. Header
// only: the suites that include it link the settings library themselves.
#pragma once

#include <gtest/gtest.h>
#include <settings/CsvReader.h>
#include <settings/LutGenerator.h>

#include <string>

namespace tarnix::test {

inline void ExpectLutTable(const std::string& path, const settings::LutCurve& curve) {
    settings::CsvReader reader(path.c_str());
    ASSERT_EQ(reader.ColumnCount(), 1);
    EXPECT_STREQ(reader.ColumnName(0), "ln");
    ASSERT_TRUE(reader.SelectColumn("ln"));
    ASSERT_EQ(reader.Count(), settings::kLutInputs);
    for (int i = 0; i < reader.Count(); ++i) {
        ASSERT_EQ(reader.Index(i), i);
        ASSERT_EQ(reader.Value(i), settings::LutOutput(curve, i)) << "input " << i;
    }
}

}  // namespace tarnix::test
