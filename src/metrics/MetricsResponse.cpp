#include "metrics/MetricsResponse.h"

#include <string_view>

namespace Korvane {
namespace {

constexpr std::string_view kExpositionType = "text/plain; version=0.0.4; charset=utf-8";
constexpr std::string_view kPlainType = "text/plain; charset=utf-8";

// A static page: nothing from a device ever appears in it.
constexpr std::string_view kIndexPage =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>korvanectl monitor</title></head>\n"
    "<body><h1>korvanectl monitor</h1><p><a href=\"/metrics\">Metrics</a></p></body></html>\n";

std::string Head(std::string_view status, std::string_view type, size_t nBodySize,
                 std::string_view extraFields = {}) {
    std::string answer = "HTTP/1.1 " + std::string(status) + "\r\n";
    answer += "Content-Type: " + std::string(type) + "\r\n";
    answer += "Content-Length: " + std::to_string(nBodySize) + "\r\n";
    answer += extraFields;
    answer += "Connection: close\r\n\r\n";
    return answer;
}

CMetricsResponse Page(std::string_view status, std::string_view type, std::string_view body, bool bWithBody,
                      std::string_view extraFields = {}) {
    std::string answer = Head(status, type, body.size(), extraFields);
    if (bWithBody) {
        answer += body;
    }
    return {answer, nullptr};
}

CMetricsResponse Error(std::string_view status, std::string_view extraFields = {}) {
    return Page(status, kPlainType, std::string(status) + '\n', true, extraFields);
}

} // namespace

CMetricsResponse CMetricsResponse::For(CHttpRequestHead::Verdict verdict, const CHttpRequestHead& head,
                                       const std::shared_ptr<const std::string>& exposition) {
    if (verdict == CHttpRequestHead::Verdict::BAD_VERSION) {
        return Error("505 HTTP Version Not Supported");
    }
    if (verdict != CHttpRequestHead::Verdict::COMPLETE) {
        return Error("400 Bad Request");
    }
    const bool bGet = head.Method() == "GET";
    if (!bGet && head.Method() != "HEAD") {
        return Error("405 Method Not Allowed", "Allow: GET, HEAD\r\n");
    }
    if (head.Path() == "/metrics") {
        return {Head("200 OK", kExpositionType, exposition->size()), bGet ? exposition : nullptr};
    }
    if (head.Path() == "/") {
        return Page("200 OK", "text/html; charset=utf-8", kIndexPage, bGet);
    }
    return Error("404 Not Found");
}

CMetricsResponse CMetricsResponse::TooLarge() {
    return Error("431 Request Header Fields Too Large");
}

} // namespace Korvane
