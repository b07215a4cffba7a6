#include "ScalerSettings.h"

ScalerSettings &programSettings()
{
    static ScalerSettings settings;
    return settings;
}
