#pragma once

#include <cstdint>
#include <string>

namespace OperationsTesting {

// The host and path of an "http://host/path" URL; the host keeps IPv6 brackets.
struct UrlParts {
    std::string host;
    std::string path; // with its leading "/"
};
UrlParts SplitUrl(const std::string& url);

// The status code of a plain HTTP/1.1 GET of the path on a numeric address and port, or 0 when
// nothing answered within a few seconds.
int HttpStatus(const std::string& address, std::uint16_t port, const std::string& path);

} // namespace OperationsTesting
