#include "mod_Scaler_Firmware.h"

#include "UnitSession.h"

bool Firmware_GetIdent(UnitSession &session, QByteArray &reply)
{
    const IdentResult result = session.identify();
    reply = result.identification;
    return result.identified;
}

void Firmware_GetVersion(UnitSession &session, QByteArray &reply)
{
    reply = session.version().reply;
}

bool Firmware_Programme(UnitSession &session, const QString &folder, CycleResult *result)
{
    const CycleResult cycle = session.programme(folder);
    if (result)
        *result = cycle;
    return cycle.complete();
}

qint16 Firmware_GetPTBT(UnitSession &session, QByteArray &name)
{
    const RunningFirmware running = session.runningFirmware();
    name = running.name;
    return running.level;
}

bool Firmware_CheckAbort(UnitSession &session)
{
    return session.checkAbort();
}
