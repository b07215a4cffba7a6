#pragma once

#include <QString>

#include <functional>
#include <memory>

class ErrorControl;
class MessageAnswerer;

// The program-wide state of error reporting, one object for the whole
// program because a failure may be reported from anywhere: error control
// itself, its log, who answers the program's messages, and how the program
// ends at once. Only the files of errors/ reach it.
struct ErrorState
{
    std::unique_ptr<ErrorControl> control;

    struct Log
    {
        bool active = false;
        QString target;
        bool fallbackNoted = false;
    } log;

    MessageAnswerer *answerer = nullptr;
    std::function<void(int exitCode)> endHandler;
};

ErrorState &errorState();
