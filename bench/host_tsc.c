/* The host's time-stamp counter frequency in MHz: counter ticks over half a
   second of the monotonic clock, the best of three tries. */
#include <stdio.h>
#include <time.h>
#include <x86intrin.h>

static double seconds(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC_RAW, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int main(void) {
    double best = 0;
    for (int i = 0; i < 3; ++i) {
        const double begin = seconds();
        const unsigned long long start = __rdtsc();
        while (seconds() - begin < 0.5) {
        }
        const double mhz = (__rdtsc() - start) / (seconds() - begin) / 1e6;
        if (mhz > best) best = mhz;
    }
    printf("%.1f\n", best);
    return 0;
}
