#pragma once

#include <QString>

// The update site's base address as the build set it: a host name followed
// by "updates/", without a scheme.
QString updateSiteBase();
