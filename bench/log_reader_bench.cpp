// The log reader on a 100 MB log, against the plain search for the marker
// over the same bytes (the least any reader must do) and against the reading
// by split lines that the reader replaced.
#include <chrono>
#include <cstdio>
#include <string>

#include "common/text.h"
#include "run/result_log.h"

namespace {

double secondsOf(const auto& body) {
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        body();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
        if (took.count() < best) best = took.count();
    }
    return best;
}

std::string byLines(const std::string& log) {
    const std::string text = melkrin::toCrLfFile(melkrin::splitLines(log));
    std::string upper = text;
    for (auto& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    const auto at = upper.find("AVERAGE: ");
    return at == std::string::npos ? std::string() : text.substr(at + 9, 6);
}

}  // namespace

int main() {
    std::string log;
    log.reserve(100u << 20);
    while (log.size() < (100u << 20) - 64) log += "frame 123456 rendered in 4.20 ms, 1234 draw calls\r\n";
    log += "Average: 61.25 FPS\r\n";
    volatile std::size_t sink = 0;
    const double reader = secondsOf([&] { sink = sink + melkrin::readDemoResult(log).size(); });
    const double plain = secondsOf([&] { sink = sink + log.find("Average: "); });
    const double lines = secondsOf([&] { sink = sink + byLines(log).size(); });
    std::printf("log reader, %zu MB log: %.3f s; plain marker search %.3f s (ratio %.2f); by split lines %.3f s (ratio %.2f)\n",
                log.size() >> 20, reader, plain, reader / plain, lines, reader / lines);
    return 0;
}
