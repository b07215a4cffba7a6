#pragma once

#include <QtGlobal>

// The internet component through which the update check reaches the update site.
class WebFetcherInterface
{
public:
    virtual ~WebFetcherInterface() = default;

    // 1 when the platform's internet support is usable, 3 when it is not.
    virtual qint32 CheckInternetSupport() = 0;
};
