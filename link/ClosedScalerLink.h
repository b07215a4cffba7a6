#pragma once

#include "ScalerLinkInterface.h"

// A link that never opens: every operation returns at once with False and an
// empty reply. The program holds it until a real transport is installed.
class ClosedScalerLink : public ScalerLinkInterface
{
public:
    VBool OpenChannel(qint16 &channel) override;
    void ReadInput() override {}
    void CloseChannel() override {}
    VBool SendBlock(const std::array<quint8, 32> &data, QByteArray &reply, qint32 count,
                    qint32 timeout, VBool hex) override;
    VBool Transact(const QByteArray &send, const QByteArray &terminator, QByteArray &reply,
                   qint32 timeout, VBool hex) override;
    VBool Query(const QByteArray &send, QByteArray &reply, qint32 timeout, VBool hex) override;
    VBool SendText(const QByteArray &text, VBool hex) override;
    void SetMode(qint32) override {}
};
