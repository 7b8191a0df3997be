#include "metrics/MetricsServer.h"

#include "HttpClient.h"

#include <future>
#include <vector>

#include <gtest/gtest.h>

namespace Korvane {
namespace {

using Testing::HttpClient;
using namespace std::chrono_literals;

CListenAddress Loopback() {
    return *CListenAddress::Parse("127.0.0.1:0");
}

std::string StatusLine(const std::string& answer) {
    return answer.substr(0, answer.find("\r\n"));
}

std::string Body(const std::string& answer) {
    const size_t nEnd = answer.find("\r\n\r\n");
    return nEnd == std::string::npos ? std::string() : answer.substr(nEnd + 4);
}

TEST(MetricsServer, ScrapesGetWhatWasLastPublished) {
    CMetricsServer server(Loopback());
    server.Publish("korvane_device_up 1\n");
    const std::string first = HttpClient::Exchange(server.Port(), "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(StatusLine(first), "HTTP/1.1 200 OK");
    EXPECT_NE(first.find("\r\nContent-Type: text/plain; version=0.0.4; charset=utf-8\r\n"),
              std::string::npos);
    EXPECT_NE(first.find("\r\nContent-Length: 20\r\nConnection: close\r\n"), std::string::npos);
    EXPECT_EQ(Body(first), "korvane_device_up 1\n");

    server.Publish("korvane_device_up 0\n");
    EXPECT_EQ(Body(HttpClient::Exchange(server.Port(), "GET /metrics?x=1 HTTP/1.0\n\n")),
              "korvane_device_up 0\n");
    const std::string head = HttpClient::Exchange(server.Port(), "HEAD /metrics HTTP/1.1\r\n\r\n");
    EXPECT_NE(head.find("Content-Length: 20\r\n"), std::string::npos);
    EXPECT_EQ(Body(head), "");
    const std::string index = HttpClient::Exchange(server.Port(), "GET / HTTP/1.1\r\n\r\n");
    EXPECT_NE(index.find("Content-Type: text/html"), std::string::npos);
    EXPECT_NE(Body(index).find("<a href=\"/metrics\">"), std::string::npos);
}

struct Refusal {
    std::string request;
    std::string statusLine;
};

class MetricsServerRefuses : public testing::TestWithParam<Refusal> {};

TEST_P(MetricsServerRefuses, WhatIsNotAScrape) {
    CMetricsServer server(Loopback());
    server.Publish("secret 1\n");
    const std::string answer = HttpClient::Exchange(server.Port(), GetParam().request);
    EXPECT_EQ(StatusLine(answer), GetParam().statusLine);
    EXPECT_EQ(answer.find("secret"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, MetricsServerRefuses,
    testing::Values(Refusal{"POST /metrics HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc",
                            "HTTP/1.1 405 Method Not Allowed"},
                    Refusal{"GET /metrics/../etc HTTP/1.1\r\n\r\n", "HTTP/1.1 404 Not Found"},
                    Refusal{"GET /metrics HTTP/2.0\r\n\r\n", "HTTP/1.1 505 HTTP Version Not Supported"},
                    Refusal{"GET metrics HTTP/1.1\r\n\r\n", "HTTP/1.1 400 Bad Request"},
                    Refusal{"GET /metrics HTTP/1.1\r\nno colon here\r\n\r\n", "HTTP/1.1 400 Bad Request"},
                    Refusal{std::string("GET /metrics\0 HTTP/1.1\r\n\r\n", 26), "HTTP/1.1 400 Bad Request"},
                    Refusal{"GET /metrics HTTP/1.1\r\nX: " + std::string(9000, 'a'),
                            "HTTP/1.1 431 Request Header Fields Too Large"}));

TEST(MetricsServer, StalledAndGreedyClientsDoNotHoldUpAScrape) {
    CMetricsServer server(Loopback());
    // An answer far larger than the sockets' buffers: the client that never reads it keeps the
    // server's writes waiting.
    const std::string large(32 << 20, '#');
    server.Publish(large);
    std::vector<HttpClient> stalled;
    for (int n = 0; n < 8; ++n) {
        stalled.emplace_back(server.Port()).Send("GET /metr");
    }
    HttpClient greedy(server.Port());
    greedy.Send("GET /metrics HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(HttpClient::Exchange(server.Port(), "GET /metrics HTTP/1.1\r\n\r\n")).size(),
              large.size());
}

TEST(MetricsServer, ExchangesEndAtTheirDeadlineAndFreeTheirSlot) {
    CMetricsServer::Limits limits;
    limits.exchangeTimeout = 300ms;
    limits.nMaxConnections = 2;
    CMetricsServer server(Loopback(), limits);
    server.Publish("a 1\n");
    HttpClient first(server.Port());
    HttpClient second(server.Port());
    first.Send("GET /");
    // Accepted by the system, but answered only once a slot is free.
    const std::string third = HttpClient::Exchange(server.Port(), "GET /metrics HTTP/1.1\r\n\r\n");
    EXPECT_EQ(Body(third), "a 1\n");
    EXPECT_TRUE(first.ClosedWithin(5s));
    EXPECT_TRUE(second.ClosedWithin(5s));
}

TEST(MetricsServer, ManyScrapersAtOnceGetTheWholeText) {
    CMetricsServer server(Loopback());
    std::string text;
    for (int n = 0; n < 20000; ++n) {
        text += "korvane_device_up{mac=\"" + std::to_string(n) + "\"} 1\n";
    }
    server.Publish(text);
    std::vector<std::future<std::string>> scrapes;
    for (int n = 0; n < 24; ++n) {
        scrapes.push_back(std::async(std::launch::async, [&server] {
            return Body(HttpClient::Exchange(server.Port(), "GET /metrics HTTP/1.1\r\n\r\n"));
        }));
    }
    for (auto& scrape : scrapes) {
        EXPECT_EQ(scrape.get(), text);
    }
}

TEST(MetricsServer, AnAddressInUseIsReportedWithTheSystemsReason) {
    const CMetricsServer server(Loopback());
    const CListenAddress taken = *CListenAddress::Parse("127.0.0.1:" + std::to_string(server.Port()));
    try {
        const CMetricsServer second(taken);
        ADD_FAILURE() << "a second server listened on a port in use";
    } catch (const CMetricsServerError& error) {
        EXPECT_STREQ(error.what(), "Address already in use");
    }
}

} // namespace
} // namespace Korvane
