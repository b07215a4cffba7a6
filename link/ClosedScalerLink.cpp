#include "ClosedScalerLink.h"

#include "ErrorLog.h"

VBool ClosedScalerLink::OpenChannel(qint16 &channel)
{
    ErrorLog::append(QStringLiteral("Link: channel %1 not opened: this build has no unit transport")
                         .arg(channel));
    return VFalse;
}

VBool ClosedScalerLink::SendBlock(const std::array<quint8, 32> &, QByteArray &reply, qint32, qint32,
                                  VBool)
{
    reply.clear();
    return VFalse;
}

VBool ClosedScalerLink::Transact(const QByteArray &, const QByteArray &, QByteArray &reply, qint32,
                                 VBool)
{
    reply.clear();
    return VFalse;
}

VBool ClosedScalerLink::Query(const QByteArray &, QByteArray &reply, qint32, VBool)
{
    reply.clear();
    return VFalse;
}

VBool ClosedScalerLink::SendText(const QByteArray &, VBool)
{
    return VFalse;
}
