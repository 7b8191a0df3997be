#pragma once

#include "metrics/HttpRequestHead.h"

#include <string>

namespace Korvane {

// The whole answer (status line, header fields, body) to one request of the metrics server. Every
// answer closes the connection: a scraper opens one per scrape anyway, and no connection then
// outlives its exchange.
class CMetricsResponse {
public:
    // The answer to a request whose head has been read (or found malformed).
    static std::string For(CHttpRequestHead::Verdict verdict, const CHttpRequestHead& head,
                           const std::string& exposition);
    // The answer to a request that did not end within the size limit.
    static std::string TooLarge();
};

} // namespace Korvane
