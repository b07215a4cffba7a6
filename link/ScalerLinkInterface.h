#pragma once

#include "ScalerSettings.h"

#include <QByteArray>

#include <array>

// Booleans exchanged with the components are 16-bit, True being all bits
// set; a caller treats any non-zero value as success.
using VBool = qint16;
inline constexpr VBool VTrue = -1;
inline constexpr VBool VFalse = 0;
inline constexpr VBool toVBool(bool b)
{
    return b ? VTrue : VFalse;
}

// The value of a hexadecimal digit, -1 for any other character.
inline constexpr int hexDigitValue(char c)
{
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}

// Told of each wait of a link for the unit, while the link waits: a window
// paints then, and passes over its input, while the unit works.
class LinkWaitObserver
{
public:
    virtual ~LinkWaitObserver() = default;
    // A wait begins (0), or has lasted waitedMs without an answer.
    virtual void waiting(int waitedMs) = 0;
    virtual void waitEnded() = 0;
};

// The link to a unit over a serial port or Ethernet. Texts carry one byte per
// character; a reply is replaced, never appended to. An operation may throw a
// RunError instead of returning false, for the caller's trap to report.
class ScalerLinkInterface
{
public:
    virtual ~ScalerLinkInterface() = default;

    // Opens the link on settings; any non-zero result means open. The channel
    // is the caller's own setting, passed so that what the link leaves there
    // is kept. When it does not open, why says what stopped it.
    virtual VBool OpenChannel(const ScalerSettings &settings, qint16 &channel,
                              QString *why = nullptr) = 0;
    // Drains and discards pending input.
    virtual void ReadInput() = 0;
    // Closes; harmless when already closed.
    virtual void CloseChannel() = 0;
    // Sends the 32 bytes, then puts the next count characters received within
    // timeout ms into reply.
    virtual VBool SendBlock(const std::array<quint8, 32> &data, QByteArray &reply, qint32 count,
                            qint32 timeout, VBool hex) = 0;
    // Sends send (nothing when empty; hex digit pairs when hex), then gathers
    // into reply until it ends with terminator or timeout ms pass. True when the
    // terminator came or, with no terminator, when anything came.
    virtual VBool Transact(const QByteArray &send, const QByteArray &terminator, QByteArray &reply,
                           qint32 timeout, VBool hex) = 0;
    // Sends one frame and returns the unit's reply frame.
    virtual VBool Query(const QByteArray &send, QByteArray &reply, qint32 timeout, VBool hex) = 0;
    // Sends without waiting.
    virtual VBool SendText(const QByteArray &text, VBool hex) = 0;
    virtual void SetMode(qint32 value) = 0;

    // Installs the observer of this link's waits; nullptr removes it.
    virtual void setWaitObserver(LinkWaitObserver *observer) = 0;
};
