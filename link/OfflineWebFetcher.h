#pragma once

#include "WebFetcherInterface.h"

// The fetcher the program holds until the real one is installed: it reports
// the platform's internet support as usable and fetches nothing.
class OfflineWebFetcher : public WebFetcherInterface
{
public:
    qint32 CheckInternetSupport() override { return 1; }
};
