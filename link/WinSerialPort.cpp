#include "WinSerialPort.h"

#include <windows.h>

#include <algorithm>

namespace {
// Reads return at once with what is there: the wait for a first byte is a
// read of one byte with a time limit, which returns as soon as it arrives.
constexpr DWORD AtOnce = 0;
constexpr DWORD WriteLimitMs = 5000;

HANDLE handleOf(void *h)
{
    return static_cast<HANDLE>(h);
}
} // namespace

WinSerialPort::WinSerialPort() = default;

WinSerialPort::~WinSerialPort()
{
    close();
}

bool WinSerialPort::failed(QSerialPort::SerialPortError error)
{
    m_error = error;
    setErrorString(qt_error_string(static_cast<int>(::GetLastError())));
    return false;
}

bool WinSerialPort::open(OpenMode mode)
{
    if (isOpen())
        return false;
    const QString path = QStringLiteral("\\\\.\\") + m_name;
    HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()),
                             GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        m_error = code == ERROR_FILE_NOT_FOUND  ? QSerialPort::DeviceNotFoundError
                  : code == ERROR_ACCESS_DENIED ? QSerialPort::PermissionError
                                                : QSerialPort::OpenError;
        setErrorString(qt_error_string(static_cast<int>(code)));
        return false;
    }
    m_handle = h;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(h, &dcb)) {
        failed(QSerialPort::OpenError);
        close();
        return false;
    }
    // Binary, no handshake of any kind, and DTR and RTS raised as a
    // terminal raises them.
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    m_readTimeout = 0xffffffffUL;
    if (!::SetCommState(h, &dcb) || !setTimeouts(AtOnce)) {
        failed(QSerialPort::OpenError);
        close();
        return false;
    }
    ::PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);
    m_received.clear();
    m_error = QSerialPort::NoError;
    return QIODevice::open(mode | QIODevice::Unbuffered);
}

void WinSerialPort::close()
{
    if (m_handle)
        ::CloseHandle(handleOf(m_handle));
    m_handle = nullptr;
    m_received.clear();
    if (isOpen())
        QIODevice::close();
}

template <typename Change> bool WinSerialPort::changeState(Change &&change)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!m_handle || !::GetCommState(handleOf(m_handle), &dcb))
        return failed(QSerialPort::UnsupportedOperationError);
    change(dcb);
    if (!::SetCommState(handleOf(m_handle), &dcb))
        return failed(QSerialPort::UnsupportedOperationError);
    return true;
}

bool WinSerialPort::setBaudRate(qint32 baud)
{
    return changeState([&](DCB &dcb) { dcb.BaudRate = static_cast<DWORD>(baud); });
}

bool WinSerialPort::setParity(QSerialPort::Parity parity)
{
    return changeState([&](DCB &dcb) {
        dcb.fParity = parity != QSerialPort::NoParity;
        dcb.Parity = parity == QSerialPort::OddParity     ? ODDPARITY
                     : parity == QSerialPort::EvenParity  ? EVENPARITY
                     : parity == QSerialPort::MarkParity  ? MARKPARITY
                     : parity == QSerialPort::SpaceParity ? SPACEPARITY
                                                          : NOPARITY;
    });
}

bool WinSerialPort::setDataBits(QSerialPort::DataBits bits)
{
    return changeState([&](DCB &dcb) { dcb.ByteSize = static_cast<BYTE>(bits); });
}

bool WinSerialPort::setStopBits(QSerialPort::StopBits bits)
{
    return changeState([&](DCB &dcb) {
        dcb.StopBits = bits == QSerialPort::TwoStop          ? TWOSTOPBITS
                       : bits == QSerialPort::OneAndHalfStop ? ONE5STOPBITS
                                                             : ONESTOPBIT;
    });
}

bool WinSerialPort::setFlowControl(QSerialPort::FlowControl flow)
{
    return changeState([&](DCB &dcb) {
        dcb.fOutxCtsFlow = flow == QSerialPort::HardwareControl;
        dcb.fRtsControl =
            flow == QSerialPort::HardwareControl ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
        dcb.fOutX = dcb.fInX = flow == QSerialPort::SoftwareControl;
    });
}

bool WinSerialPort::setTimeouts(unsigned long readTotalMs)
{
    if (readTotalMs == m_readTimeout)
        return true;
    COMMTIMEOUTS t{};
    if (readTotalMs == AtOnce) {
        t.ReadIntervalTimeout = MAXDWORD; // what is there, at once
    } else {
        t.ReadTotalTimeoutConstant = readTotalMs;
    }
    t.WriteTotalTimeoutConstant = WriteLimitMs;
    if (!::SetCommTimeouts(handleOf(m_handle), &t))
        return false;
    m_readTimeout = readTotalMs;
    return true;
}

bool WinSerialPort::clear(QSerialPort::Directions directions)
{
    if (!m_handle)
        return false;
    DWORD flags = 0;
    if (directions & QSerialPort::Input) {
        flags |= PURGE_RXCLEAR | PURGE_RXABORT;
        m_received.clear();
    }
    if (directions & QSerialPort::Output)
        flags |= PURGE_TXCLEAR | PURGE_TXABORT;
    return ::PurgeComm(handleOf(m_handle), flags) || failed(QSerialPort::UnknownError);
}

bool WinSerialPort::takeWaiting()
{
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(handleOf(m_handle), &errors, &status))
        return failed(QSerialPort::ResourceError);
    if (status.cbInQue == 0)
        return true;
    if (!setTimeouts(AtOnce))
        return failed(QSerialPort::ResourceError);
    const qsizetype before = m_received.size();
    m_received.resize(before + status.cbInQue);
    DWORD got = 0;
    const BOOL ok =
        ::ReadFile(handleOf(m_handle), m_received.data() + before, status.cbInQue, &got, nullptr);
    m_received.resize(before + (ok ? got : 0));
    return ok || failed(QSerialPort::ReadError);
}

qint64 WinSerialPort::bytesAvailable() const
{
    return m_received.size() + QIODevice::bytesAvailable();
}

bool WinSerialPort::waitForReadyRead(int msecs)
{
    if (!m_handle)
        return false;
    if (!m_received.isEmpty())
        return true;
    if (!takeWaiting())
        return false;
    if (!m_received.isEmpty() || msecs <= 0) {
        if (m_received.isEmpty())
            m_error = QSerialPort::TimeoutError;
        return !m_received.isEmpty();
    }
    char first = 0;
    DWORD got = 0;
    if (!setTimeouts(static_cast<unsigned long>(msecs)))
        return failed(QSerialPort::ResourceError);
    if (!::ReadFile(handleOf(m_handle), &first, 1, &got, nullptr))
        return failed(QSerialPort::ReadError);
    if (got == 0) {
        m_error = QSerialPort::TimeoutError;
        return false;
    }
    m_received.append(first);
    takeWaiting();
    return true;
}

qint64 WinSerialPort::readData(char *data, qint64 maxSize)
{
    if (m_received.isEmpty() && m_handle && !takeWaiting())
        return -1;
    const qint64 n = std::min<qint64>(maxSize, m_received.size());
    std::copy_n(m_received.constData(), n, data);
    m_received.remove(0, n);
    return n;
}

qint64 WinSerialPort::writeData(const char *data, qint64 size)
{
    DWORD written = 0;
    if (!m_handle ||
        !::WriteFile(handleOf(m_handle), data, static_cast<DWORD>(size), &written, nullptr)) {
        failed(QSerialPort::WriteError);
        return -1;
    }
    if (written < size) {
        m_error = QSerialPort::WriteError;
        setErrorString(QStringLiteral("the port took %1 of %2 bytes within %3 ms")
                           .arg(written)
                           .arg(size)
                           .arg(WriteLimitMs));
    }
    return written;
}
