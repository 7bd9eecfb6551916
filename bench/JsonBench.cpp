#include <benchmark/benchmark.h>
#include <simdjson.h>

#include "AnchorReporter.h"
#include "Basalt/json/JSONReader.h"
#include "Basalt/json/JSONWriter.h"
#include "Fixtures.h"
#include "SimdjsonAnchor.h"

namespace {

void readJSON(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) {
        auto json = Basalt::readJSON(bytes);
        if (!json) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(json);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes.size()));
}

void writeJSON(benchmark::State& state, const std::string& bytes) {
    auto json = Basalt::readJSON(bytes).value();
    std::size_t written = 0;
    for (auto _ : state) {
        std::string out = Basalt::writeJSON(json);
        written = out.size();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * written));
}

}  // namespace

int main(int argc, char** argv) {
    for (const char* file : Bench::payloadFiles) {
        std::string bytes = Bench::readFixture(file);
        benchmark::RegisterBenchmark((std::string("BM_SimdjsonDom/") + file).c_str(),
                                     Bench::simdjsonDom, bytes);
        benchmark::RegisterBenchmark((std::string("BM_ReadJSON/") + file).c_str(), readJSON, bytes);
        benchmark::RegisterBenchmark((std::string("BM_WriteJSON/") + file).c_str(), writeJSON,
                                     bytes);
    }
    return Bench::runWithAnchor(argc, argv, "BM_SimdjsonDom");
}
