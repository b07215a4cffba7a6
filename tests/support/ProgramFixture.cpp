#include "ProgramFixture.h"

#include "LinkInstances.h"
#include "ScalerSettings.h"
#include "mod_Scaler_Firmware.h"
#include "mod_programmer_main.h"

void ProgramFixture::startFixture()
{
    env = std::make_unique<TestEnvironment>();
    answerer = std::make_unique<ScriptedAnswerer>();
    setProgramFolder(env->programFolder());
    programSettings() = ScalerSettings();
    releaseScalerLink();
    releaseWebFetcher();
    AbortFlag = VFalse;
}

void ProgramFixture::stopFixture()
{
    releaseScalerLink();
    releaseWebFetcher();
    answerer.reset();
    env.reset();
}
