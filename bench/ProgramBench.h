#pragma once

#include "BenchSupport.h"
#include "ScalerSettings.h"
#include "VqSimulator.h"
#include "frm_programme.h"
#include "mod_programmer_main.h"

#include <QDir>
#include <QFile>

#include <memory>

// The program as a benchmark drives it: its own store and folders, the given
// answerer at the message boxes, the main window started, and a unit on
// loopback TCP.
template <typename Answerer> struct ProgramBench
{
    BenchEnvironment env;
    Answerer answerer; // in place before the start shows anything
    std::unique_ptr<frm_programme> window;
    QString firmwareFolder = env.path(QStringLiteral("fw"));

    ProgramBench()
    {
        const ProgramPaths paths = ProgramPaths::forProgramIn(env.path(QStringLiteral("program")));
        storeLoopbackUnit(firmwareFolder);
        window = std::make_unique<frm_programme>(paths);
        Main(*window, paths);
    }

    void useUnit(const VqSimulator &sim)
    {
        ScalerSettings settings = window->settings();
        settings.EthernetPort = QString::number(sim.port());
        window->useSettings(settings);
    }

    void writeFirmware(const QByteArray &image)
    {
        QFile f(QDir(firmwareFolder).filePath(QStringLiteral("vq200_s70_1.vq")));
        if (!f.open(QIODevice::WriteOnly) || f.write(image) != image.size())
            qFatal("cannot write the firmware file");
    }
};
