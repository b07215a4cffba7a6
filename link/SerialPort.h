#pragma once

// The serial port the link opens. On Windows it is the link's own
// (WinSerialPort): it waits for a unit's answer with a plain blocking read,
// where Qt Serial Port's reads start from a communication event on an I/O
// completion port. Elsewhere it is QSerialPort.
#include <QSerialPort>

#if defined(Q_OS_WIN)
#include "WinSerialPort.h"
class SerialPort : public WinSerialPort
{};
#else
class SerialPort : public QSerialPort
{};
#endif
