#include "UpdateSite.h"

QString updateSiteBase()
{
    return QStringLiteral(FLASHWRIGHT_UPDATE_SITE);
}
