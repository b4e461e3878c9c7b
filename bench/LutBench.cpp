// Lookup-table files: loading a whole generator file (header, the "ln" column, every row)
// through the table reader (the rows one call each, or through its arrays), through the
// camera stream's load into its table, and through a plain getline and stringstream reader as
// a yardstick; and generating such a file. All rows work on files in one temporary folder; the
// loaded file is written once, before the rows run.
#include <benchmark/benchmark.h>
#include <camera/CameraDevice.h>
#include <camera/CameraStream.h>
#include <settings/CsvReader.h>
#include <settings/LutGenerator.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tarnix::settings::CsvReader;
using tarnix::settings::LutCurve;

constexpr const char* kColumn = "ln";

struct Folder {
    fs::path path;
    Folder() : path(fs::temp_directory_path() / ("bench_lut-" + std::to_string(getpid()))) {
        fs::create_directories(path);
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

Folder& TheFolder() {
    static Folder folder;
    return folder;
}

// The file every load row reads: the default curve's 65536 rows.
const std::string& TableFile() {
    static const std::string path = [] {
        const std::string p = (TheFolder().path / "table.csv").string();
        if (!tarnix::settings::WriteLutFile(p, LutCurve{})) {
            std::fprintf(stderr, "bench_lut: cannot write %s\n", p.c_str());
            std::exit(1);
        }
        return p;
    }();
    return path;
}

// The yardstick: one line at a time with getline, each split by getline on a stringstream,
// fields converted with atoi. The same work as the reader: the header's names, then the index
// and the selected column of every line into two vectors.
bool GetlineLoad(const std::string& path, const char* column, std::vector<int32_t>& index,
                 std::vector<int32_t>& value) {
    index.clear();
    value.clear();
    std::ifstream in(path);
    std::string line, field;
    if (!std::getline(in, line)) return false;
    std::stringstream header(line);
    size_t wanted = 0;
    for (size_t i = 0; std::getline(header, field, ';'); ++i)
        if (i > 0 && field == column) {
            wanted = i;
            break;
        }
    if (wanted == 0) return false;
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        size_t i = 0;
        for (; std::getline(fields, field, ';'); ++i) {
            if (i == 0) index.push_back(std::atoi(field.c_str()));
            if (i == wanted) break;
        }
        if (i != wanted) return false;
        value.push_back(std::atoi(field.c_str()));
    }
    return true;
}

void Check(benchmark::State& state, bool ok, int64_t rows) {
    if (!ok || rows != tarnix::settings::kLutInputs) state.SkipWithError("the table did not load");
}

void BM_LoadCsvReader(benchmark::State& state) {
    const std::string& path = TableFile();
    for (auto _ : state) {
        CsvReader reader(path.c_str());
        const bool ok = reader.SelectColumn(kColumn);
        int64_t sum = 0;
        for (int32_t row = 0; row < reader.Count(); ++row)
            sum += reader.Index(row) + reader.Value(row);
        benchmark::DoNotOptimize(sum);
        Check(state, ok, reader.Count());
    }
}

// The same, the rows walked through the arrays rather than one checked call per row.
void BM_LoadCsvReaderArrays(benchmark::State& state) {
    const std::string& path = TableFile();
    for (auto _ : state) {
        CsvReader reader(path.c_str());
        const bool ok = reader.SelectColumn(kColumn);
        const int32_t* index = reader.Indexes();
        const int32_t* value = reader.Values();
        int64_t sum = 0;
        for (int32_t row = 0, rows = reader.Count(); row < rows; ++row)
            sum += index[row] + value[row];
        benchmark::DoNotOptimize(sum);
        Check(state, ok, reader.Count());
    }
}

void BM_LoadCameraStream(benchmark::State& state) {
    const std::string& path = TableFile();
    // A stream of no camera: the table is all it needs.
    tarnix::CameraDevice device;
    tarnix::CameraStream stream(device, 0, nullptr, tarnix::CameraState::Closed);
    for (auto _ : state) {
        const bool ok = stream.LoadLut(path.c_str(), kColumn);
        benchmark::DoNotOptimize(stream.Lut()[1000]);
        Check(state, ok, tarnix::settings::kLutInputs);
    }
}

void BM_LoadGetlineStringstream(benchmark::State& state) {
    const std::string& path = TableFile();
    std::vector<int32_t> index, value;
    for (auto _ : state) {
        const bool ok = GetlineLoad(path, kColumn, index, value);
        benchmark::DoNotOptimize(value.data());
        Check(state, ok, static_cast<int64_t>(value.size()));
    }
}

void BM_GenerateWriteLutFile(benchmark::State& state) {
    const std::string path = (TheFolder().path / "generated.csv").string();
    const LutCurve curve{2, 14, 3};
    for (auto _ : state)
        if (!tarnix::settings::WriteLutFile(path, curve)) state.SkipWithError("write failed");
}

BENCHMARK(BM_LoadCsvReader)->Name("lut_load/CsvReader")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCsvReaderArrays)->Name("lut_load/CsvReader_arrays")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCameraStream)
    ->Name("lut_load/CameraStream::LoadLut")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadGetlineStringstream)
    ->Name("lut_load/getline+stringstream")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenerateWriteLutFile)
    ->Name("lut_generate/WriteLutFile")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
