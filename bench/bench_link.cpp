// The round trip of one 32-byte block through the link, over loopback TCP and
// over a pseudo-terminal: median and 99th percentile of 4000 blocks.
#include "BenchSupport.h"
#include "ScalerLink.h"
#include "ScalerSettings.h"
#include "VqSimulator.h"

#include <QCoreApplication>

#include <cstdio>

namespace {
constexpr int Blocks = 4000;

bool measure(const char *name, const ScalerSettings &settings, VqSimulator &sim)
{
    ScalerLink link;
    qint16 channel = 0;
    if (link.OpenChannel(settings, channel) == VFalse) {
        std::fprintf(stderr, "%s: the link did not open\n", name);
        return false;
    }
    QByteArray reply;
    link.Transact(QByteArray(), "\r", reply, 2000, VFalse);
    link.SendText("U", VFalse);
    link.Transact(QByteArray(), "S", reply, 2000, VFalse);
    link.Transact("Y", "A", reply, 2000, VFalse);
    std::array<quint8, 32> block{};
    std::vector<double> micros;
    micros.reserve(Blocks);
    for (int i = 0; i < Blocks; ++i) {
        block[0] = static_cast<quint8>(i);
        QElapsedTimer timer;
        timer.start();
        link.SendBlock(block, reply, 1, 9999, VFalse);
        micros.push_back(timer.nsecsElapsed() / 1e3);
        if (reply != (i + 1 == Blocks ? "E" : "A")) {
            std::fprintf(stderr, "%s: block %d answered \"%s\"\n", name, i, reply.constData());
            return false;
        }
    }
    std::printf("%s_block_median_us: %.1f\n", name, median(micros));
    std::printf("%s_block_p99_us: %.1f\n", name, percentile(micros, 0.99));
    (void)sim;
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BenchEnvironment env;
    VqSimOptions o;
    o.inLoader = true;
    o.size = Blocks * 32;
    QString why;

    VqSimulator tcpUnit(o);
    if (!tcpUnit.startTcp(0, &why))
        qFatal("%s", qPrintable(why));
    ScalerSettings tcp;
    tcp.CommsType = 0;
    tcp.EthernetAddress = QStringLiteral("127.0.0.1");
    tcp.EthernetPort = QString::number(tcpUnit.port());
    const bool tcpOk = measure("tcp", tcp, tcpUnit);

    VqSimulator ptyUnit(o);
    if (!ptyUnit.startPty(&why))
        qFatal("%s", qPrintable(why));
    ScalerSettings pty;
    pty.Ports.insert(QStringLiteral("COM1"), ptyUnit.devicePath());
    pty.SerialParameters = QStringLiteral("115200,n,8,1");
    const bool ptyOk = measure("pty", pty, ptyUnit);
    return tcpOk && ptyOk ? 0 : 1;
}
