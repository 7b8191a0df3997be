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

std::string Answer(std::string_view status, std::string_view type, std::string_view body, bool bWithBody,
                   std::string_view extraFields = {}) {
    std::string answer = "HTTP/1.1 " + std::string(status) + "\r\n";
    answer += "Content-Type: " + std::string(type) + "\r\n";
    answer += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    answer += extraFields;
    answer += "Connection: close\r\n\r\n";
    if (bWithBody) {
        answer += body;
    }
    return answer;
}

std::string Error(std::string_view status, std::string_view extraFields = {}) {
    return Answer(status, kPlainType, std::string(status) + '\n', true, extraFields);
}

} // namespace

std::string CMetricsResponse::For(CHttpRequestHead::Verdict verdict, const CHttpRequestHead& head,
                                  const std::string& exposition) {
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
        return Answer("200 OK", kExpositionType, exposition, bGet);
    }
    if (head.Path() == "/") {
        return Answer("200 OK", "text/html; charset=utf-8", kIndexPage, bGet);
    }
    return Error("404 Not Found");
}

std::string CMetricsResponse::TooLarge() {
    return Error("431 Request Header Fields Too Large");
}

} // namespace Korvane
