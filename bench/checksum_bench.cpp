// The checksum pass over a 256 MiB file against the cost of reading the file at all
// (`cat FILE > /dev/null`) and against the same additive work done by `sum -s FILE`,
// all measured in this run on the same cached file. Prints ratios of throughput.
// Goals: 0.8 or more of cat, and more than 1 against sum -s.

#include "support/rig.h"
#include "upload/image_facts.h"

#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <vector>

using namespace zarvex;

namespace {

constexpr std::int64_t kFileBytes = 256ll << 20;
constexpr int kRounds = 5;

bool writeFile(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    for (std::size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<char>((i * 131 + i / 4099) & 0xFF);
    for (std::int64_t written = 0; written < kFileBytes && out; written += std::int64_t(chunk.size()))
        out.write(chunk.data(), std::streamsize(chunk.size()));
    return bool(out);
}

// The best of several rounds: the steadiest figure on a shared machine.
double bestSeconds(const std::function<bool()>& run) {
    double best = 1e9;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!run())
            return -1;
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

bool runTool(const QString& program, const QStringList& args) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, args);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

double mibPerSecond(double seconds) {
    return double(kFileBytes) / double(1 << 20) / seconds;
}

} // namespace

int main() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("image.bin").toStdString();
    if (!writeFile(path)) {
        std::cerr << "checksum: cannot write " << path << "\n";
        return 1;
    }
    const QString file = QString::fromStdString(path);
    test::Rig rig;
    rig.state.image.fileName.assign(path);
    runTool("cat", {file}); // every figure below reads from the page cache

    const double cat = bestSeconds([&] { return runTool("sh", {"-c", "cat \"$0\" > /dev/null", file}); });
    const double sum = bestSeconds([&] { return runTool("sum", {"-s", file}); });
    const double pass = bestSeconds([&] { return get_file_checksum(rig.ctx) == 1; });
    if (cat <= 0 || sum <= 0 || pass <= 0) {
        std::cerr << "checksum: a measurement failed\n";
        return 1;
    }
    std::printf("checksum: 256 MiB, get_file_checksum %.0f MiB/s, cat %.0f MiB/s, sum -s %.0f MiB/s\n",
                mibPerSecond(pass), mibPerSecond(cat), mibPerSecond(sum));
    std::printf("checksum: ratio to cat %.2f (goal >= 0.8)\n", cat / pass);
    std::printf("checksum: ratio to sum -s %.2f (goal > 1)\n", sum / pass);
    return 0;
}
