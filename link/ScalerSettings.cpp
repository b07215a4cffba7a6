#include "ScalerSettings.h"

#include <QSettings>

std::unique_ptr<QSettings> openSettingsStore(const QString &section)
{
    auto store = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             SettingsStoreName::Organization,
                                             SettingsStoreName::Application);
    if (!section.isEmpty())
        store->beginGroup(section);
    return store;
}
