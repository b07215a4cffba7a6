// The console programmer on several units at once: one "flashwright-cli
// program" call for 8 simulated units at an emulated 115200 baud, 64 KiB
// each, against the same call for one unit; and that one unit's time
// against the bare client's on the same line.
#include "BenchSupport.h"
#include "VqSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <memory>
#include <vector>

namespace {
constexpr int Units = 8;
// Runs are taken in interleaved rounds (one unit, the bare client, eight
// units), so that other work on the machine slows all alike; the figures
// are medians.
constexpr int Rounds = 3;

using UnitList = std::vector<std::unique_ptr<VqSimulator>>;

// Seconds for one flashwright-cli program call on the first count units,
// from its start to its end, or -1 when it did not program each one whole.
double programme(const UnitList &units, int count, const QByteArray &image)
{
    QStringList arguments{QStringLiteral("program")};
    for (int i = 0; i < count; ++i)
        arguments << QStringLiteral("--tcp")
                  << QStringLiteral("127.0.0.1:%1").arg(units[size_t(i)]->port());
    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    cli.start(QStringLiteral(FW_CLI), arguments);
    const bool ended = cli.waitForFinished(120000) && cli.exitStatus() == QProcess::NormalExit;
    const double seconds = timer.nsecsElapsed() / 1e9;
    bool whole = ended && cli.exitCode() == 0;
    for (int i = 0; i < count; ++i)
        whole = whole && units[size_t(i)]->lastUpload() == image;
    return whole ? seconds : -1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BenchEnvironment env;
    const QString folder = env.path(QStringLiteral("fw"));
    storeLoopbackUnit(folder);
    const QByteArray image = VqSimulator::randomImage(64 * 1024, 3);
    QFile file(QDir(folder).filePath(QStringLiteral("vq200_s70_1.vq")));
    if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size())
        qFatal("cannot write the firmware file");
    file.close();

    VqSimOptions paced;
    paced.inLoader = true; // every unit starts its upload at once
    paced.size = image.size();
    paced.baud = 115200;
    UnitList units;
    for (int i = 0; i < Units; ++i)
        units.push_back(startUnit(paced));

    std::vector<double> one, bare, eight, ratio, versusBare;
    bool ok = true;
    for (int round = 0; round < Rounds; ++round) {
        one.push_back(programme(units, 1, image));
        bare.push_back(bareUpload(units.front()->port(), image));
        eight.push_back(programme(units, Units, image));
        ok = ok && one.back() > 0 && bare.back() > 0 && eight.back() > 0;
        ratio.push_back(eight.back() / one.back());
        versusBare.push_back(bare.back() / one.back());
    }
    const double limit = (image.size() / 32) * 33 * 10 / 115200.0;
    std::printf("line_limit_s: %.3f\n", limit);
    std::printf("cli_1_unit_s: %.3f\n", median(one));
    std::printf("cli_%d_units_s: %.3f\n", Units, median(eight));
    std::printf("bare_1_unit_s: %.3f\n", median(bare));
    std::printf("parallel_ratio: %.3f\n", median(ratio));
    std::printf("cli_efficiency_vs_bare: %.3f\n", median(versusBare));
    if (!ok)
        std::fputs("bench_parallel: a run did not complete; its figures are not valid\n", stderr);
    return ok ? 0 : 1;
}
