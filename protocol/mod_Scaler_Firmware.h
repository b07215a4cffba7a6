#pragma once

#include "ScalerProtocol.h"

#include <QByteArray>
#include <QString>

// The unit protocol under the names the window's commands know it by: each
// operation runs on the window's session, which talks through its link
// (opened by the caller) and reports to the window; its failures go to its
// own trap.

class UnitSession;
struct CycleResult;

// Resets the unit and listens for its identification line. True when one
// came; reply then holds the identification, otherwise what the unit sent.
bool Firmware_GetIdent(UnitSession &session, QByteArray &reply);

// Reads the unit's software version and shows it in the status line.
void Firmware_GetVersion(UnitSession &session, QByteArray &reply);

// Brings the unit into its loader and sends it the firmware file named by
// its identification from folder. True when the unit took the whole file;
// result, when given, gets all that the cycle did.
bool Firmware_Programme(UnitSession &session, const QString &folder, CycleResult *result = nullptr);

// Asks a running unit for its firmware file name (name gets name + ".vq",
// or nothing) and returns its level byte, 0 when it did not answer.
qint16 Firmware_GetPTBT(UnitSession &session, QByteArray &name);

// True, after telling the user and resetting the window, when the session
// has been cancelled (the Abort button set AbortFlag).
bool Firmware_CheckAbort(UnitSession &session);
