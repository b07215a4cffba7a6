// The unit protocol's frames, the test images and the timeline search, apart
// from the serving code, so that they build where the simulated unit does not run.
#include "VqSimulator.h"

#include <QRandomGenerator>

QByteArray VqSimulator::resetFrame()
{
    return QByteArrayLiteral("\x53\x06\x04\x01\x55\xAA\x55\xB2");
}

QByteArray VqSimulator::acknowledgeFrame()
{
    return QByteArrayLiteral("\x53\x02\x40\x95");
}

QByteArray VqSimulator::nameQuery()
{
    return QByteArrayLiteral("\x53\x03\xA4\x07\x3F");
}

QByteArray VqSimulator::levelQuery()
{
    return QByteArrayLiteral("\x53\x03\x81\x1B\xF2");
}

QByteArray VqSimulator::refusalFrame()
{
    return QByteArrayLiteral("\x53\x02\x00\x55");
}

QByteArray VqSimulator::frame(const QByteArray &payload)
{
    QByteArray out;
    out.reserve(payload.size() + 3);
    out.append(char(0x53));
    out.append(char(payload.size() + 1));
    out.append(payload);
    uint sum = 0;
    for (char c : out)
        sum += uchar(c);
    out.append(char(sum & 0xff));
    return out;
}

QByteArray VqSimulator::randomImage(qint64 size, quint32 seed)
{
    QByteArray image(size, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    for (char &c : image)
        c = static_cast<char>(gen.bounded(256));
    return image;
}

qint64 VqSimulator::timeOf(const QByteArray &prefix, int nth) const
{
    for (const Event &e : timeline())
        if (e.text.startsWith(prefix) && nth-- == 0)
            return e.ms;
    return -1;
}
