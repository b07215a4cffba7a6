#pragma once

#include "VqSimulator.h"

#include <QJsonObject>

// A simulated unit's options as one JSON object, so that a test on another
// system can have a unit made for it on Linux (vqsim-units). Byte texts go
// as hexadecimal.
QJsonObject toJson(const VqSimOptions &options);
// The options the object gives, the others at their defaults; false with the
// reason for a key that is not an option or a value of the wrong kind.
bool fromJson(const QJsonObject &json, VqSimOptions *options, QString *error);
