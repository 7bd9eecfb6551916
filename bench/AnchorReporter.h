#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace Bench {

// The console table, then each benchmark's throughput as a ratio of its anchor's in this run:
// "BM_ReadJSON/x.json" is set against "<anchor>/x.json".
class AnchorReporter : public benchmark::ConsoleReporter {
public:
    explicit AnchorReporter(std::string anchor) : anchor_(std::move(anchor)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            auto rate = run.counters.find("bytes_per_second");
            if (rate != run.counters.end()) throughput_[run.benchmark_name()] = rate->second;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nThroughput against %s in this run:\n", anchor_.c_str());
        for (const auto& [name, rate] : throughput_) {
            auto slash = name.find('/');
            if (slash == std::string::npos || name.compare(0, slash, anchor_) == 0) continue;
            auto anchor = throughput_.find(anchor_ + name.substr(slash));
            if (anchor == throughput_.end()) continue;
            std::printf("  %-52s %8.1f MB/s  = %.3f x %8.1f MB/s\n", name.c_str(), rate / 1e6,
                        rate / anchor->second, anchor->second / 1e6);
        }
    }

private:
    std::string anchor_;
    std::map<std::string, double> throughput_;
};

// Runs the registered benchmarks with the anchor report on the console.
inline int runWithAnchor(int argc, char** argv, const std::string& anchor) {
    benchmark::Initialize(&argc, argv);
    AnchorReporter reporter(anchor);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace Bench
