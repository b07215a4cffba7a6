#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QString>

// How far an upload has come: the percentage the cycle shows, the bytes
// sent, the speed, and the time left (negative while it is not known).
struct Progress
{
    int percent = 0;
    qint64 bytes = 0;
    double bytesPerSecond = 0;
    double secondsLeft = -1;

    // The fields of a progress event, and back.
    QJsonObject toJson() const;
    static Progress fromJson(const QJsonObject &object);
    // A bar of width characters, the percentage, the speed and the time left:
    // "[#####-----]  50%  11.2 KiB/s  0:03 left".
    QString text(int width) const;
};

// Measures an upload from its first block on.
class ProgressMeter
{
public:
    void start() { m_timer.start(); }
    bool started() const { return m_timer.isValid(); }

    // The progress once bytes are sent and the cycle shows percent. The size
    // of the whole is taken from the two, so the time left is known from 1 %.
    Progress at(qint64 bytes, int percent) const;

private:
    QElapsedTimer m_timer;
};
