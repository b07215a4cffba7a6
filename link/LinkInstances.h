#pragma once

#include "ScalerLinkInterface.h"
#include "WebFetcherInterface.h"

#include <functional>
#include <memory>

// The program-wide link and web fetcher, each created on first use by its
// factory; a released instance is created again on its next use.
using ScalerLinkFactory = std::function<std::unique_ptr<ScalerLinkInterface>()>;
using WebFetcherFactory = std::function<std::unique_ptr<WebFetcherInterface>()>;

ScalerLinkInterface &scalerLink();
void releaseScalerLink();
// Installs the factory of the link (an empty one restores the real link on the
// program's settings record).
void setScalerLinkFactory(ScalerLinkFactory factory);

WebFetcherInterface &webFetcher();
void releaseWebFetcher();
// Installs the factory of the web fetcher; webFetcher() raises 429 while
// there is none.
void setWebFetcherFactory(WebFetcherFactory factory);
