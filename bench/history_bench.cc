// Reads and checks patch histories of two sizes and prints the time per record:
// equal figures at both sizes show that the check stays linear in the records.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/form1.h"
#include "tests/fakes/fakes.h"

namespace {

std::string history_of(int records) {
    std::string bytes;
    for (int n = 1; n < records; ++n) bytes += std::to_string(1 + n % 5) + "         01/06/2026\r\n";
    return bytes + "6         01/06/2026\r\n";
}

// The best of several runs, in nanoseconds per record: the least disturbed by
// whatever else the machine is doing.
double nanoseconds_per_record(int records, int runs) {
    fakes::FakeOs fake;
    Form1 form(fake.os);
    const std::wstring file = fake.files.root() + L"\\patch.txt";
    const std::string history = history_of(records);
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        fake.files.put(file, history);
        const auto start = std::chrono::steady_clock::now();
        form.controlla_file(file, 7);
        const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / records);
    }
    return best;
}

}  // namespace

int main() {
    const int sizes[] = {15'000, 30'000};
    double first = 0;
    std::printf("%10s %14s %12s\n", "records", "ns per record", "vs first");
    for (const int records : sizes) {
        const double ns = nanoseconds_per_record(records, 15);
        if (first == 0) first = ns;
        std::printf("%10d %14.1f %12.2f\n", records, ns, ns / first);
    }
    return 0;
}
