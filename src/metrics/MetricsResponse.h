#pragma once

#include "metrics/HttpRequestHead.h"

#include <memory>
#include <string>

namespace Korvane {

// The whole answer (status line, header fields, body) to one request of the metrics server. Every
// answer closes the connection: a scraper opens one per scrape anyway, and no connection then
// outlives its exchange.
struct CMetricsResponse {
    // The status line and header fields, and for small answers the body too.
    std::string head;
    // The exposition, shared with every other scrape of it rather than copied per connection;
    // null when the head holds the whole answer.
    std::shared_ptr<const std::string> body;

    // The answer to a request whose head has been read (or found malformed).
    static CMetricsResponse For(CHttpRequestHead::Verdict verdict, const CHttpRequestHead& head,
                                const std::shared_ptr<const std::string>& exposition);
    // The answer to a request that did not end within the size limit.
    static CMetricsResponse TooLarge();
};

} // namespace Korvane
