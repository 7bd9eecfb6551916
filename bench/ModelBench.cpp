#include <benchmark/benchmark.h>
#include <simdjson.h>

#include <QCoreApplication>

#include "AnchorReporter.h"
#include "Fixtures.h"
#include "SimdjsonAnchor.h"
#include "Threadwork/model/Comment.h"

namespace {

// Bytes to records, raw data of every record and validation included.
template <typename Record>
void decodeRecords(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) {
        auto records = Basalt::decode<Record>(bytes);
        if (!records) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(records->validate());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes.size()));
}

// The flat document alone: the share of parsing in the decoders above.
void parseDocument(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) {
        auto document = Basalt::Document::parse(bytes);
        if (!document) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    for (const char* file : Bench::payloadFiles) {
        std::string bytes = Bench::readFixture(file);
        const std::string name(file);
        benchmark::RegisterBenchmark(("BM_SimdjsonDom/" + name).c_str(), Bench::simdjsonDom, bytes);
        benchmark::RegisterBenchmark(("BM_ParseDocument/" + name).c_str(), parseDocument, bytes);
        if (name.starts_with("listing")) {
            benchmark::RegisterBenchmark(("BM_DecodeLinkListing/" + name).c_str(),
                                         decodeRecords<Threadwork::Listing<Threadwork::Link>>,
                                         bytes);
        } else {
            benchmark::RegisterBenchmark(("BM_DecodeComments/" + name).c_str(),
                                         decodeRecords<Threadwork::Comments>, bytes);
        }
    }
    return Bench::runWithAnchor(argc, argv, "BM_SimdjsonDom");
}
