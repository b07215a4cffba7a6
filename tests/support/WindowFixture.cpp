#include "WindowFixture.h"

#include "HiResPerc.h"
#include "ScalerLink.h"
#include "frm_programme.h"
#include "mod_programmer_main.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

Painted::Painted(QWidget *widget, std::function<QString()> shown)
    : m_widget(widget), m_shown(std::move(shown))
{
    widget->installEventFilter(this);
}

bool Painted::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget && event->type() == QEvent::Paint &&
        (m_texts.isEmpty() || m_texts.last() != m_shown())) {
        m_texts.append(m_shown());
        m_times.append(monotonicMs());
    }
    return false;
}

qint64 Painted::timeOf(const QString &text) const
{
    const qsizetype at = m_texts.indexOf(text);
    return at < 0 ? -1 : m_times[at];
}

void Painted::clear()
{
    m_texts.clear();
    m_times.clear();
}

void WindowFixture::startWindow(VqSimOptions unit)
{
    unit.timeline = true;
    sim = std::make_unique<VqSimulator>(unit);
    QString why;
    QDir().mkpath(firmwareFolder());
    if (unit.baud > 0) {
        QVERIFY2(sim->startPty(&why), qPrintable(why));
        env->mapPort(QStringLiteral("COM3"), sim->devicePath());
        env->store(
            {{QStringLiteral("Serial Port"), QStringLiteral("COM3:")},
             {QStringLiteral("Serial Parameters"), QStringLiteral("%1,n,8,1").arg(unit.baud)},
             {QStringLiteral("Firmware"), firmwareFolder()}});
    } else {
        QVERIFY2(sim->startTcp(0, &why), qPrintable(why));
        env->storeLoopbackUnit(sim->port(), firmwareFolder());
    }
    window = std::make_unique<frm_programme>(env->paths());
    Main(*window, env->paths());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCoreApplication::processEvents();
    status = std::make_unique<Painted>(window->lbl_firmware,
                                       [this] { return window->lbl_firmware->text(); });
    bar = std::make_unique<Painted>(
        window->ProgressBar1, [this] { return QString::number(window->ProgressBar1->Value()); });
    answerer->onMessage([this](const MessageRequest &m) {
        if (m.text == QLatin1String("Turn unit off, click OK, then turn unit on."))
            sim->powerCycle();
    });
}

void WindowFixture::stopWindow()
{
    status.reset();
    bar.reset();
    window.reset();
    sim.reset();
}

QString WindowFixture::firmwareFolder() const
{
    return env->path(QStringLiteral("fw"));
}

void WindowFixture::writeFirmware(const QString &name, const QByteArray &image)
{
    QDir().mkpath(firmwareFolder());
    QFile f(QDir(firmwareFolder()).filePath(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(image), image.size());
}

void WindowFixture::atBlock(int blocks, std::function<void()> action)
{
    auto *timer = new QTimer(window.get());
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer, blocks, action] {
        if (sim->blocksReceived() < blocks)
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start(0);
}

int WindowFixture::blocksSent() const
{
    const QString programming = QStringLiteral("Programming... ");
    const QString status = window ? window->status() : QString();
    if (!sim)
        return 0;
    return status.startsWith(programming) ? status.mid(programming.size()).toInt() + 1
                                          : sim->blocksReceived();
}

bool WindowFixture::firmwareFileOpen() const
{
    bool open = false;
#ifdef Q_OS_WIN
    // Windows refuses a handle that shares nothing while another one is open.
    for (const QFileInfo &file : QDir(firmwareFolder()).entryInfoList({QStringLiteral("*.vq")})) {
        const HANDLE h = CreateFileW(qUtf16Printable(QDir::toNativeSeparators(file.filePath())),
                                     GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        open = open || (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
#else
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        open = open || fd.symLinkTarget().endsWith(QLatin1String(".vq"));
#endif
    return open;
}

bool WindowFixture::idle() const
{
    const bool controls =
        !window->cmd_abort->isEnabled() && window->cmd_programme_prog->isEnabled() &&
        window->mnu_about->isEnabled() && window->mnu_tools->menuAction()->isEnabled() &&
        window->mnu_file_path->isEnabled() && window->cmd_checkupdate->isEnabled();
    return controls && !window->busy() && !static_cast<ScalerLink &>(window->link()).isOpen() &&
           !firmwareFileOpen();
}
