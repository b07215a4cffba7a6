#include "BenchSupport.h"
#include "ScalerSettings.h"

#include <QDir>
#include <QSettings>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

BenchEnvironment::BenchEnvironment()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    QDir(m_dir.path()).mkpath(QStringLiteral("program"));
    qputenv("XDG_CONFIG_HOME", path(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", path(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_STATE_HOME", path(QStringLiteral("state")).toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       path(QStringLiteral("config")));
}

QString BenchEnvironment::path(const QString &name) const
{
    return QDir(m_dir.path()).filePath(name);
}

FailingAnswerer::FailingAnswerer() : m_previous(setMessageAnswerer(this)) {}

FailingAnswerer::~FailingAnswerer()
{
    setMessageAnswerer(m_previous);
}

qint32 FailingAnswerer::answer(const MessageRequest &request)
{
    ++m_count;
    std::fprintf(stderr, "unexpected message: %s\n", qPrintable(request.text));
    return (request.style & 0x0f) == MsgStyle::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}

namespace {
// Reads until the received text ends with what, within ms.
bool awaitText(int fd, const QByteArray &what, int ms)
{
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (!got.endsWith(what)) {
        const int left = ms - static_cast<int>(timer.elapsed());
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, left) <= 0)
            return false;
        char buf[256];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return false;
        got.append(buf, n);
    }
    return true;
}

bool sendAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}
} // namespace

double bareUpload(quint16 port, const QByteArray &image)
{
    QElapsedTimer timer;
    timer.start();
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
              awaitText(fd, "\r", 5000) && sendAll(fd, "U", 1) && awaitText(fd, "S", 2000) &&
              sendAll(fd, "Y", 1) && awaitText(fd, "A", 2000);
    for (qsizetype at = 0; ok && at < image.size(); at += 32) {
        ok = sendAll(fd, image.constData() + at, 32) &&
             awaitText(fd, at + 32 >= image.size() ? "E" : "A", 10000);
    }
    ::close(fd);
    return ok ? timer.nsecsElapsed() / 1e9 : -1;
}

double median(std::vector<double> values)
{
    return percentile(std::move(values), 0.5);
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<size_t>(p * double(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

void storeLoopbackUnit(const QString &firmwareFolder)
{
    QDir().mkpath(firmwareFolder);
    const auto store = openSettingsStore(QString());
    store->setValue(QStringLiteral("Programmer/Comms Type"), QStringLiteral("0"));
    store->setValue(QStringLiteral("Programmer/EthernetAddress"), QStringLiteral("127.0.0.1"));
    store->setValue(QStringLiteral("Programmer/Firmware"), firmwareFolder);
    store->sync();
}

std::unique_ptr<VqSimulator> startUnit(const VqSimOptions &options)
{
    auto sim = std::make_unique<VqSimulator>(options);
    QString why;
    if (!sim->startTcp(0, &why))
        qFatal("vqsim: %s", qPrintable(why));
    return sim;
}
