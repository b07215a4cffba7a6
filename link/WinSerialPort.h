#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QSerialPort>

// A COM port for the link's blocking exchanges, with the part of
// QSerialPort's interface the link uses. Every call works on the calling
// thread and returns when done: a write when the system has taken the bytes,
// a wait for input at the first byte or at its time limit.
class WinSerialPort : public QIODevice
{
public:
    WinSerialPort();
    ~WinSerialPort() override;

    void setPortName(const QString &name) { m_name = name; }
    QString portName() const { return m_name; }
    // The system's driver holds what the unit sends; there is no other buffer to size.
    void setReadBufferSize(qint64) {}

    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool waitForReadyRead(int msecs) override;

    bool setBaudRate(qint32 baud);
    bool setParity(QSerialPort::Parity parity);
    bool setDataBits(QSerialPort::DataBits bits);
    bool setStopBits(QSerialPort::StopBits bits);
    bool setFlowControl(QSerialPort::FlowControl flow);
    // Drops what waits to be read or sent, in the driver and here.
    bool clear(QSerialPort::Directions directions = QSerialPort::AllDirections);

    QSerialPort::SerialPortError error() const { return m_error; }
    void clearError() { m_error = QSerialPort::NoError; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    template <typename Change> bool changeState(Change &&change);
    bool setTimeouts(unsigned long readTotalMs);
    // Moves what the driver holds now into m_received; false on a failure.
    bool takeWaiting();
    bool failed(QSerialPort::SerialPortError error);

    QString m_name;
    void *m_handle = nullptr;
    QByteArray m_received;
    unsigned long m_readTimeout = 0xffffffffUL; // the read timeout set last
    QSerialPort::SerialPortError m_error = QSerialPort::NoError;
};
