#pragma once
// Normally distributed figures for the simulations of the statistics tests:
// std::mt19937 is the same sequence everywhere, and the Box-Muller transform
// written out here keeps the figures (and so the counts the tests check)
// independent of the standard library's normal_distribution.
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>

namespace melkrin::testing {

class NormalSamples {
public:
    explicit NormalSamples(std::uint32_t seed) : engine_(seed) {}

    double next(double mean, double sd) {
        if (spare_) {
            const double z = *spare_;
            spare_.reset();
            return mean + sd * z;
        }
        // (0, 1]: the logarithm never sees 0.
        const double u1 = (static_cast<double>(engine_()) + 1.0) / 4294967296.0;
        const double u2 = static_cast<double>(engine_()) / 4294967296.0;
        const double radius = std::sqrt(-2.0 * std::log(u1));
        const double angle = 6.283185307179586 * u2;
        spare_ = radius * std::sin(angle);
        return mean + sd * radius * std::cos(angle);
    }

private:
    std::mt19937 engine_;
    std::optional<double> spare_;
};

}  // namespace melkrin::testing
