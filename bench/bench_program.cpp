// Times the program against the simulated unit: a 1 MiB upload over loopback
// against a bare client, a 64 KiB upload on an emulated 115200 baud line
// against the line's limit and the bare client, and "Get Ident" against a
// unit that boots in 300 ms.
#include "BenchSupport.h"
#include "ProgramBench.h"
#include "VqSimulator.h"
#include "frm_programme.h"
#include "mod_Scaler_INI.h"
#include "mod_programmer_main.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>

#include <cstdio>
#include <memory>

namespace {
// Runs are taken in interleaved pairs, program then bare client, so that a
// machine busy with other work slows both alike; the figures are medians.
constexpr int LoopPairs = 5;
constexpr int LinePairs = 3;

struct Bench : ProgramBench<FailingAnswerer>
{
    // Seconds for one press of "Update Firmware", or -1 when it did not
    // deliver the image whole.
    double programme(const VqSimulator &sim, const QByteArray &image)
    {
        QElapsedTimer timer;
        timer.start();
        window->cmd_programme_prog->click();
        const double seconds = timer.nsecsElapsed() / 1e9;
        const bool whole = window->status() == QLatin1String("Programing Complete....") &&
                           sim.lastUpload() == image && answerer.count() == 0;
        return whole ? seconds : -1;
    }
};

struct Pairs
{
    std::vector<double> program, bare, quotient;
    bool ok = true;
    void add(double p, double b)
    {
        ok = ok && p > 0 && b > 0;
        program.push_back(p);
        bare.push_back(b);
        quotient.push_back(p / b);
    }
};

Pairs runPairs(Bench &bench, const VqSimulator &sim, const QByteArray &image, int pairs)
{
    Pairs out;
    for (int i = 0; i < pairs; ++i) {
        const double p = bench.programme(sim, image);
        out.add(p, bareUpload(sim.port(), image));
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Bench bench;

    // Loopback: the program against a bare stop-and-wait client.
    const QByteArray mebibyte = VqSimulator::randomImage(1 << 20, 1);
    bench.writeFirmware(mebibyte);
    VqSimOptions fast;
    fast.inLoader = true;
    fast.size = mebibyte.size();
    const auto loopUnit = startUnit(fast);
    bench.useUnit(*loopUnit);
    const Pairs loop = runPairs(bench, *loopUnit, mebibyte, LoopPairs);
    const double programS = median(loop.program);
    std::printf("program_1MiB_s: %.3f\n", programS);
    std::printf("bare_1MiB_s: %.3f\n", median(loop.bare));
    std::printf("program_block_us: %.1f\n", programS * 1e6 / (mebibyte.size() / 32));

    // An emulated 115200 baud line against its limit.
    const QByteArray image = VqSimulator::randomImage(64 * 1024, 2);
    bench.writeFirmware(image);
    VqSimOptions paced = fast;
    paced.size = image.size();
    paced.baud = 115200;
    const auto lineUnit = startUnit(paced);
    bench.useUnit(*lineUnit);
    const double limit = (image.size() / 32) * 33 * 10 / 115200.0;
    const Pairs line = runPairs(bench, *lineUnit, image, LinePairs);
    std::printf("line_limit_s: %.3f\n", limit);
    std::printf("line_program_s: %.3f\n", median(line.program));

    // Get Ident against a unit that boots in 300 ms.
    VqSimOptions booting;
    const auto identUnit = startUnit(booting);
    bench.useUnit(*identUnit);
    QElapsedTimer timer;
    timer.start();
    bench.window->mnu_tools_getident->trigger();
    const qint64 identMs = timer.elapsed();
    const bool identified = bench.window->status().startsWith(QLatin1String("vq200_s70_1"));

    const bool ok = loop.ok && line.ok && identified;
    // The program's time over the bare client's, and the line's limit over
    // each one's time: efficiency_vs_bare is the bare client's time over the
    // program's, pair by pair.
    std::printf("ratio: %.3f\n", median(loop.quotient));
    std::printf("bare_efficiency: %.3f\n", limit / median(line.bare));
    std::printf("efficiency: %.3f\n", limit / median(line.program));
    std::vector<double> vsBare;
    for (double q : line.quotient)
        vsBare.push_back(1 / q);
    std::printf("efficiency_vs_bare: %.3f\n", median(vsBare));
    std::printf("ident_ms: %lld\n", identified ? identMs : -1LL);
    if (!ok)
        std::fputs("bench_program: a run did not complete; its figures are not valid\n", stderr);
    return ok ? 0 : 1;
}
