#pragma once

#include "UserMessage.h"
#include "VqSimulator.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A benchmark's own settings store and folders, so that nothing it does
// reaches the user's settings.
class BenchEnvironment
{
public:
    BenchEnvironment();
    QString path(const QString &name) const;

private:
    QTemporaryDir m_dir;
};

// Creates firmwareFolder and points the settings store at it and at a unit
// on loopback TCP (the port is set per unit in the program's settings).
void storeLoopbackUnit(const QString &firmwareFolder);

// Answers every message at once and remembers that one came: a benchmark
// that meets a message has failed.
class FailingAnswerer : public MessageAnswerer
{
public:
    FailingAnswerer();
    ~FailingAnswerer() override;
    qint32 answer(const MessageRequest &request) override;
    int count() const { return m_count; }

private:
    MessageAnswerer *m_previous;
    int m_count = 0;
};

// A stop-and-wait client with no window: connects to the unit on loopback
// port, waits for its announcement, makes the loader ready and sends image
// block by block, each after the answer to the one before. Returns the
// seconds from the connection to the final answer, or -1 on failure.
double bareUpload(quint16 port, const QByteArray &image);

// A simulated unit serving on loopback TCP; ends the benchmark when it cannot start.
std::unique_ptr<VqSimulator> startUnit(const VqSimOptions &options);

double median(std::vector<double> values);
double percentile(std::vector<double> values, double p);
