#pragma once

#include "ScriptedAnswerer.h"
#include "TestEnvironment.h"

#include <memory>

// What a test of the program starts each test function with: its own store
// and folders, the scripted answerer, and the program's state as at start.
class ProgramFixture
{
protected:
    void startFixture();
    void stopFixture();

    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<ScriptedAnswerer> answerer;
};
