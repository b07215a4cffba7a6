#include "LinkInstances.h"

#include "RunError.h"
#include "ScalerLink.h"

namespace {
struct Instances
{
    ScalerLinkFactory linkFactory;
    std::unique_ptr<ScalerLinkInterface> link;
    WebFetcherFactory fetcherFactory;
    std::unique_ptr<WebFetcherInterface> fetcher;
};

Instances &instances()
{
    static Instances i;
    return i;
}
} // namespace

ScalerLinkInterface &scalerLink()
{
    Instances &i = instances();
    if (!i.link)
        i.link = i.linkFactory ? i.linkFactory() : std::make_unique<ScalerLink>(programSettings());
    return *i.link;
}

void releaseScalerLink()
{
    instances().link.reset();
}

void setScalerLinkFactory(ScalerLinkFactory factory)
{
    instances().linkFactory = std::move(factory);
}

WebFetcherInterface &webFetcher()
{
    Instances &i = instances();
    if (!i.fetcher) {
        // The program installs the real fetcher at start; without it there is
        // no component to create.
        if (!i.fetcherFactory)
            throw RunError(429, QStringLiteral("The internet component is not installed"));
        i.fetcher = i.fetcherFactory();
    }
    return *i.fetcher;
}

void releaseWebFetcher()
{
    instances().fetcher.reset();
}

void setWebFetcherFactory(WebFetcherFactory factory)
{
    instances().fetcherFactory = std::move(factory);
}
