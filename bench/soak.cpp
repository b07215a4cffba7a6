// Presses "Update Firmware" in the main window for many programming cycles
// back to back against the simulated unit on loopback, about a third of them
// against a unit with a fault, and checks that the program's resident memory
// and open descriptors stay level and that every clean cycle delivers its
// image whole.
//
// Usage: bench_soak [--cycles N] [--seed N] [--all-faults]
#include "BenchSupport.h"
#include "ErrorControl.h"
#include "ProcessEnd.h"
#include "ProgramBench.h"
#include "VqSimulator.h"
#include "frm_programme.h"
#include "mod_Scaler_INI.h"
#include "mod_programmer_main.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

// Under AddressSanitizer resident memory also holds the quarantine of freed
// blocks and the shadow of every mapping, and grows with no leak at all; the
// memory the program holds is read from the sanitizer's allocator instead.
#if defined(__SANITIZE_ADDRESS__)
#define FW_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FW_SOAK_ASAN 1
#endif
#endif
#ifdef FW_SOAK_ASAN
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {
constexpr int DefaultCycles = 300;
constexpr int WarmCycles = 10; // memory and descriptors are compared from here on
constexpr int Blocks = 20;
constexpr qint64 AllowedMemoryGrowthKiB = 2 * 1024;
constexpr int AllowedFdGrowth = 2;
const QString kComplete = QStringLiteral("Programing Complete....");

// Stands in for the person at the message boxes: OK to every message (the
// power-cycle request included), No to every Yes/No question, so that a
// failing cycle ends and the next one can start.
class SoakAnswerer : public MessageAnswerer
{
public:
    SoakAnswerer() : m_previous(setMessageAnswerer(this)) {}
    ~SoakAnswerer() override { setMessageAnswerer(m_previous); }

    qint32 answer(const MessageRequest &request) override
    {
        ++m_count;
        m_last = request.text;
        return (request.style & 0x0f) == MsgStyle::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    }

    void clear()
    {
        m_count = 0;
        m_last.clear();
    }
    int count() const { return m_count; }
    QString last() const { return m_last; }

private:
    MessageAnswerer *m_previous;
    int m_count = 0;
    QString m_last;
};

// A fault of the unit for one cycle; block is the block it strikes at,
// where it has one.
struct FaultKind
{
    const char *name;
    bool hasBlock;
    // Each cycle of this kind waits out the program's own timeouts, 2 s or
    // more: left out unless --all-faults asks for them, to keep the run short.
    bool slow;
    void (*apply)(VqSimOptions &options, int block);
};

const FaultKind kFaults[] = {
    {"dropAt", true, false, [](VqSimOptions &o, int k) { o.dropAt = k; }},
    {"nakAt", true, false, [](VqSimOptions &o, int k) { o.nakAt = k; }},
    {"earlyEAt", true, false, [](VqSimOptions &o, int k) { o.earlyEAt = k; }},
    // Wrong answers to a block: a lower-case "a", a zero byte, one "A" too
    // many (the spare one is dropped, and the upload goes on one block per
    // answer).
    {"wrongAckAt", true, false,
     [](VqSimOptions &o, int k) {
         static const QByteArray answers[] = {"a", QByteArray(1, '\0'), "AA"};
         o.wrongAckAt = k;
         o.wrongAck = answers[k % 3];
     }},
    // The program waits 10 s for the answer to a block.
    {"silentAt", true, true, [](VqSimOptions &o, int k) { o.silentAt = k; }},
    // No answer to anything: 1 s for an announcement, 0.4 s for the reset's
    // acknowledgement, 1 s more, the power-cycle request, 1 s for the id.
    {"silent", false, true, [](VqSimOptions &o, int) { o.silent = true; }},
    // The program waits 2 s for the "S".
    {"noS", false, true, [](VqSimOptions &o, int) { o.noS = true; }},
    // The program waits 10 s for the "A" that starts the blocks.
    {"noAAfterY", false, true, [](VqSimOptions &o, int) { o.noAAfterY = true; }},
    // 1 s for an announcement, the reset, then 1 s for the id.
    {"noId", false, true, [](VqSimOptions &o, int) { o.noId = true; }},
};

struct Usage
{
    qint64 rssKiB = -1;
    qint64 heapKiB = -1; // in use, where the sanitizer's allocator tells it
    int fds = -1;
};

void printUsage(int cycle, const Usage &u)
{
    std::printf("soak: after cycle %d: rss %lld KiB, fds %d", cycle,
                static_cast<long long>(u.rssKiB), u.fds);
    if (u.heapKiB >= 0)
        std::printf(", heap in use %lld KiB", static_cast<long long>(u.heapKiB));
    std::printf("\n");
}

Usage usageNow()
{
    Usage u;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                u.rssKiB = line.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
#ifdef FW_SOAK_ASAN
    u.heapKiB = static_cast<qint64>(__sanitizer_get_current_allocated_bytes() / 1024);
#endif
    // The listing's own descriptor is counted at every look alike.
    u.fds = static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                                 .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                                 .size());
    return u;
}

// Lets the window do what its event loop does between two presses of a button.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

using Soak = ProgramBench<SoakAnswerer>;

// The cycle under way, for the report when the program ends itself.
int currentCycle = 0;

// Throws the reason a run failed.
void check(bool good, const std::string &why)
{
    if (!good)
        throw std::runtime_error(why);
}

struct RunFigures
{
    Usage warm;
    Usage end;
    int clean = 0;
    int faulted = 0;
    struct Kind
    {
        int count = 0;
        double slowestS = 0;
    };
    std::map<std::string, Kind> kinds;
};

// Runs the cycles; throws the reason of the first failure.
void runCycles(Soak &soak, int cycles, quint32 seed, const std::vector<const FaultKind *> &table,
               const QByteArray &image, RunFigures &figures)
{
    // The unit waits in its loader and announces itself as the program
    // connects, so a clean cycle needs no reset.
    VqSimOptions unitOptions;
    unitOptions.inLoader = true;
    unitOptions.bootMs = 20;
    unitOptions.size = image.size();
    const auto cleanUnit = startUnit(unitOptions);

    std::mt19937 random(seed);
    std::bernoulli_distribution faultedCycle(1.0 / 3.0);
    std::uniform_int_distribution<size_t> pickKind(0, table.size() - 1);
    std::uniform_int_distribution<int> pickBlock(0, Blocks - 1);

    for (currentCycle = 1; currentCycle <= cycles; ++currentCycle) {
        const std::string cycleName = "cycle " + std::to_string(currentCycle);
        const FaultKind *fault = faultedCycle(random) ? table[pickKind(random)] : nullptr;
        const int block = pickBlock(random);

        std::unique_ptr<VqSimulator> faultUnit;
        const VqSimulator *unit = cleanUnit.get();
        if (fault) {
            VqSimOptions o = unitOptions;
            fault->apply(o, block);
            faultUnit = startUnit(o);
            unit = faultUnit.get();
        }
        soak.useUnit(*unit);
        const int connectionsBefore = unit->connections();

        // The repeat watch of error control counts the first failure number it
        // sees over the program's whole life and ends the program at its fifth
        // report. Each press here starts that watch afresh, as a restart of the
        // program would, so that the cycles can go on.
        releaseErrorCtl();
        soak.answerer.clear();
        check(soak.window->cmd_programme_prog->isEnabled(),
              "\"Update Firmware\" is disabled before " + cycleName);

        QElapsedTimer timer;
        timer.start();
        soak.window->cmd_programme_prog->click();
        const double seconds = timer.nsecsElapsed() / 1e9;
        settle();

        check(!soak.window->busy(), "the window is still busy after " + cycleName);
        const QString status = soak.window->status();
        if (fault) {
            ++figures.faulted;
            RunFigures::Kind &kind = figures.kinds[fault->name];
            ++kind.count;
            kind.slowestS = std::max(kind.slowestS, seconds);
            std::string name = fault->name;
            if (fault->hasBlock)
                name += "=" + std::to_string(block);
            // An early "E" on the last block is the unit's true end, and a
            // spare "A" before the last block is dropped; no other fault may
            // end in success.
            const bool whole =
                name == "earlyEAt=" + std::to_string(Blocks - 1) ||
                (name.rfind("wrongAckAt=", 0) == 0 && block % 3 == 2 && block < Blocks - 1);
            if (whole)
                check(status == kComplete && unit->lastUpload() == image && unit->overruns() == 0,
                      cycleName + " (" + name + ") did not program the unit whole, block by block");
            else
                check(status != kComplete,
                      cycleName + " (" + name + ") reported a complete upload");
        } else {
            ++figures.clean;
            check(unit->connections() == connectionsBefore + 1,
                  cycleName + " (clean) did not connect to the unit once");
            check(status == kComplete,
                  cycleName + " (clean) ended with status \"" + status.toStdString() + "\"");
            check(soak.answerer.count() == 0, cycleName + " (clean) met the message \"" +
                                                  soak.answerer.last().toStdString() + "\"");
            const QByteArray received = unit->lastUpload();
            check(received == image,
                  cycleName + " (clean): the unit received " + std::to_string(received.size()) +
                      " bytes that are not the " + std::to_string(image.size()) + " of the image");
        }
        faultUnit.reset();

        if (currentCycle == WarmCycles) {
            figures.warm = usageNow();
            printUsage(currentCycle, figures.warm);
        }
    }
    figures.end = usageNow();
    printUsage(cycles, figures.end);
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    int cycles = DefaultCycles;
    quint32 seed = QRandomGenerator::global()->generate();
    bool allFaults = false;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == QLatin1String("--cycles") && i + 1 < args.size())
            cycles = args[++i].toInt(&ok);
        else if (args[i] == QLatin1String("--seed") && i + 1 < args.size())
            seed = args[++i].toUInt(&ok);
        else if (args[i] == QLatin1String("--all-faults"))
            allFaults = true;
        else
            ok = false;
        if (!ok || cycles < WarmCycles) {
            std::fprintf(stderr,
                         "usage: bench_soak [--cycles N (>= %d)] [--seed N] [--all-faults]\n",
                         WarmCycles);
            return 2;
        }
    }

    // The program ending itself in the middle of the run is a failure, said
    // as such, not an exit that may look like a pass.
    setProgramEndHandler([](int code) {
        std::printf("soak: FAILED: the program ended itself (status %d) in cycle %d\n", code,
                    currentCycle);
        std::fflush(nullptr);
        std::_Exit(1);
    });

    Soak soak;
    const QByteArray image = VqSimulator::randomImage(Blocks * 32, seed);
    soak.writeFirmware(image);

    std::vector<const FaultKind *> table;
    for (const FaultKind &f : kFaults) {
        if (allFaults || !f.slow)
            table.push_back(&f);
    }
    std::printf("soak: seed %u, %d cycles, image %d bytes, fault kinds:", seed, cycles,
                int(image.size()));
    for (const FaultKind *f : table)
        std::printf(" %s", f->name);
    std::printf("\n");

    RunFigures figures;
    QElapsedTimer total;
    total.start();
    std::string failure;
    try {
        runCycles(soak, cycles, seed, table, image, figures);
    } catch (const std::runtime_error &e) {
        failure = e.what();
    }
    const double totalS = total.nsecsElapsed() / 1e9;

    std::printf("soak: clean %d, faulted %d", figures.clean, figures.faulted);
    for (const auto &[name, kind] : figures.kinds)
        std::printf(", %s %d (slowest %.2f s)", name.c_str(), kind.count, kind.slowestS);
    std::printf("\n");
    std::printf("soak: total %.1f s\n", totalS);

    if (failure.empty()) {
        const bool byHeap = figures.warm.heapKiB >= 0;
        const qint64 memoryGrowth = byHeap ? figures.end.heapKiB - figures.warm.heapKiB
                                           : figures.end.rssKiB - figures.warm.rssKiB;
        const int fdGrowth = figures.end.fds - figures.warm.fds;
        if (figures.warm.rssKiB < 0 || figures.end.rssKiB < 0 || figures.warm.fds < 0)
            failure = "/proc/self/status or /proc/self/fd could not be read";
        else if (memoryGrowth > AllowedMemoryGrowthKiB)
            failure = std::string(byHeap ? "heap in use" : "resident memory") + " grew by " +
                      std::to_string(memoryGrowth) + " KiB from cycle " +
                      std::to_string(WarmCycles);
        else if (fdGrowth > AllowedFdGrowth)
            failure = "open descriptors grew by " + std::to_string(fdGrowth) + " from cycle " +
                      std::to_string(WarmCycles);
    }
    if (!failure.empty()) {
        std::printf("soak: FAILED: %s\n", failure.c_str());
        return 1;
    }
    std::printf("soak: ok\n");
    return 0;
}
