#include "ProgramFixture.h"

void ProgramFixture::startFixture()
{
    env = std::make_unique<TestEnvironment>();
    answerer = std::make_unique<ScriptedAnswerer>();
}

void ProgramFixture::stopFixture()
{
    answerer.reset();
    env.reset();
}
