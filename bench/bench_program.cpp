// Times the program against the simulated unit: a 1 MiB upload over loopback
// against a bare client, a 64 KiB upload on an emulated 115200 baud line
// against the line's limit, and "Get Ident" against a unit that boots in 300 ms.
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
constexpr int Runs = 3;

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

double best(const std::vector<double> &runs)
{
    double b = -1;
    for (double r : runs) {
        if (r < 0)
            return -1;
        if (b < 0 || r < b)
            b = r;
    }
    return b;
}

std::unique_ptr<VqSimulator> startUnit(const VqSimOptions &o)
{
    auto sim = std::make_unique<VqSimulator>(o);
    QString why;
    if (!sim->startTcp(0, &why))
        qFatal("vqsim: %s", qPrintable(why));
    return sim;
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
    std::vector<double> program, bare;
    for (int i = 0; i < Runs; ++i) {
        program.push_back(bench.programme(*loopUnit, mebibyte));
        bare.push_back(bareUpload(loopUnit->port(), mebibyte));
    }
    const double programS = best(program);
    const double bareS = best(bare);
    std::printf("program_1MiB_s: %.3f\n", programS);
    std::printf("bare_1MiB_s: %.3f\n", bareS);
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
    std::vector<double> lineRuns, lineBareRuns;
    for (int i = 0; i < Runs; ++i) {
        lineRuns.push_back(bench.programme(*lineUnit, image));
        lineBareRuns.push_back(bareUpload(lineUnit->port(), image));
    }
    const double lineProgram = best(lineRuns);
    const double lineBare = best(lineBareRuns);
    std::printf("line_limit_s: %.3f\n", limit);
    std::printf("line_program_s: %.3f\n", lineProgram);

    // Get Ident against a unit that boots in 300 ms.
    VqSimOptions booting;
    const auto identUnit = startUnit(booting);
    bench.useUnit(*identUnit);
    QElapsedTimer timer;
    timer.start();
    bench.window->mnu_tools_getident->trigger();
    const qint64 identMs = timer.elapsed();
    const bool identified = bench.window->status().startsWith(QLatin1String("vq200_s70_1"));

    const bool ok = programS > 0 && bareS > 0 && lineProgram > 0 && lineBare > 0 && identified;
    std::printf("ratio: %.3f\n", programS / bareS);
    std::printf("bare_efficiency: %.3f\n", limit / lineBare);
    std::printf("efficiency: %.3f\n", limit / lineProgram);
    std::printf("ident_ms: %lld\n", identified ? identMs : -1LL);
    if (!ok)
        std::fputs("bench_program: a run did not complete; its figures are not valid\n", stderr);
    return ok ? 0 : 1;
}
