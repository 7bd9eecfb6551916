#pragma once

#include <benchmark/benchmark.h>
#include <simdjson.h>

#include <string>

namespace Bench {

// The anchor of the JSON and model benchmarks: simdjson's DOM parse of the same bytes.
inline void simdjsonDom(benchmark::State& state, const std::string& bytes) {
    simdjson::dom::parser parser;
    simdjson::padded_string padded(bytes);
    for (auto _ : state) {
        simdjson::dom::element root;
        if (parser.parse(padded).get(root)) state.SkipWithError("simdjson failed");
        benchmark::DoNotOptimize(root);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes.size()));
}

}  // namespace Bench
