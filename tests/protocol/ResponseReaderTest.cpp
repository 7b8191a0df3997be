// What a device or a discovery reply sends, read from memory: the same parsers the sockets use.
#include "protocol/ResponseReader.h"

#include "net/SocketErrors.h"
#include "protocol/DiscoveryClient.h"
#include "protocol/KorvaneAdminFind.h"
#include "protocol/KorvaneErrors.h"
#include "protocol/MacAddress.h"
#include "protocol/QRXFind.h"
#include "support/Base64Str.h"
#include "support/XmlError.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <sys/socket.h>

#include <gtest/gtest.h>

using namespace Korvane;

namespace {

std::string Frame(const std::string& text) {
    Zelt::CBase64EncodeStr encoder;
    const std::string body = encoder.Convert(text);
    const auto n = static_cast<uint32_t>(body.size());
    const char length[4] = {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                            static_cast<char>(n)};
    return std::string(length, 4) + body;
}

std::string Response(const std::string& result, const std::string& inner = "") {
    return "<korvaneResponse><result>" + result + "</result><response>" + inner +
           "</response></korvaneResponse>";
}

// Bytes as a connection delivers them; records how much was asked for.
struct Received {
    explicit Received(std::string received) : bytes(std::move(received)) {}

    std::string bytes;
    size_t nConsumed = 0;
    std::vector<size_t> requests;

    CResponseReader Reader() {
        return CResponseReader([this](void* pBuffer, size_t nLength) {
            requests.push_back(nLength);
            if (nLength > bytes.size() - nConsumed) {
                Zelt::ThrowSocketError("closed", Zelt::SOCKET_KIND_RECEIVE);
            }
            std::memcpy(pBuffer, bytes.data() + nConsumed, nLength);
            nConsumed += nLength;
        });
    }
};

} // namespace

TEST(ResponseReader, ReadsPastWaitsAndStopsAtTheEndOfTheFinalMessage) {
    Received received{Frame(Response("WAIT")) + Frame(Response("WAIT")) + Frame(Response("OK")) + "next"};
    EXPECT_EQ(received.Reader().ReadFinalResponse(), Response("OK"));
    EXPECT_EQ(received.nConsumed, received.bytes.size() - 4) << "nothing after the final message is read";
}

TEST(ResponseReader, RefusalsAreThrownByKind) {
    for (const char* pszCode : {ERROR_CODE_WRONG_PASSWORD, ERROR_CODE_NOT_AUTHORIZED}) {
        Received received{Frame(Response("NG", std::string("<errorparam>") + pszCode + "</errorparam>"))};
        EXPECT_THROW(received.Reader().ReadFinalResponse(), CKorvaneAuthorizationError) << pszCode;
    }
    Received busy{Frame(Response("WAIT")) + Frame(Response("NG", "<errorparam>00000006</errorparam>"))};
    try {
        busy.Reader().ReadFinalResponse();
        FAIL() << "a busy device is an error";
    } catch (const CErrorParam& error) {
        EXPECT_EQ(error.GetCode(), ERROR_CODE_BUSY);
    }
}

TEST(ResponseReader, BrokenMessagesFailWithTheErrorsCallersHandle) {
    Received huge{std::string("\x01\x00\x00\x01", 4) + "AAAA"};
    EXPECT_THROW(huge.Reader().ReadMessage(), Zelt::CSocketError);
    EXPECT_EQ(huge.requests, std::vector<size_t>{4}) << "an out-of-range length is refused before the body";

    Received truncated{Frame(Response("OK")).substr(0, 20)};
    EXPECT_THROW(truncated.Reader().ReadFinalResponse(), Zelt::CSocketError);

    Received noResult{Frame("<korvaneResponse/>")};
    EXPECT_THROW(noResult.Reader().ReadFinalResponse(), Zelt::CXMLError);
    Received notXml{Frame("not a document")};
    EXPECT_THROW(notXml.Reader().ReadFinalResponse(), Zelt::CXMLError);
    Received empty{std::string(4, '\0')};
    EXPECT_THROW(empty.Reader().ReadFinalResponse(), Zelt::CXMLError);
}

TEST(ResponseReader, ZeroBytesAfterTheDocumentAreCut) {
    Received received{Frame(Response("OK") + std::string(3, '\0') + "tail")};
    EXPECT_EQ(received.Reader().ReadMessage(), Response("OK"));
}

TEST(DiscoveryReplies, TheCurrentProtocolAcceptsOnlyDeviceReplies) {
    std::string reply(KafData::SIZE, '\0');
    reply[KafData::OP] = KafData::OP_REPLY;
    std::memcpy(&reply[KafData::MAC_TEXT], "024B53000001", 12);
    EXPECT_TRUE(KafData::IsDeviceReply(reply));
    EXPECT_FALSE(KafData::IsDeviceReply(reply.substr(0, KafData::SIZE - 1)));
    EXPECT_FALSE(KafData::IsDeviceReply(reply + '\0'));

    std::string ownRequest = reply;
    ownRequest[KafData::OP] = KafData::OP_REQUEST;
    EXPECT_FALSE(KafData::IsDeviceReply(ownRequest));
    std::string zeroMac = reply;
    std::memcpy(&zeroMac[KafData::MAC_TEXT], "000000000000", 12);
    EXPECT_FALSE(KafData::IsDeviceReply(zeroMac));
    std::string noMac = reply;
    noMac[KafData::MAC_TEXT] = '\0';
    EXPECT_FALSE(KafData::IsDeviceReply(noMac));
    EXPECT_EQ(KafData::DeviceMac(reply), "02:4B:53:00:00:01");
    for (const char* pszBad : {"024B53 0\n0001", "024B53:00:00", "024B5300000G", "024B5300001"}) {
        std::string bad = reply;
        std::memcpy(&bad[KafData::MAC_TEXT], pszBad, std::strlen(pszBad) + 1);
        EXPECT_FALSE(KafData::IsDeviceReply(bad)) << pszBad;
    }
}

// Every spelling of one address is one canonical text; anything else is no MAC at all.
TEST(DiscoveryReplies, AMacIsSixHexadecimalPairsInOneCanonicalText) {
    for (const char* pszSpelling :
         {"0a:4b:56:3E:88:05", "0A-4B-56-3E-88-05", "0a4b563e8805", "0A:4B:56:3E:88:05"}) {
        EXPECT_EQ(CMacAddress::Canonical(pszSpelling), "0A:4B:56:3E:88:05") << pszSpelling;
    }
    for (const char* pszNoMac :
         {"", "0A:4B:56:3E:88", "0A:4B:56-3E:88:05", "0A:4B:56:3E:88:05 ", " 0A4B563E8805",
          "0A:4B:56:3E:88:0G", "0A:4B:56:3E:88:05\n02:4B:53:00:00:01 63", "0A.4B.56.3E.88.05",
          "0A:4B:56:3E:88:0+5", "+A4B563E8805"}) {
        EXPECT_EQ(CMacAddress::Canonical(pszNoMac), std::nullopt) << pszNoMac;
    }
    EXPECT_TRUE(CMacAddress::IsCanonical("0A:4B:56:3E:88:05"));
    EXPECT_FALSE(CMacAddress::IsCanonical("0a:4b:56:3e:88:05"));
    std::string reply(QrxData::SIZE, '\0');
    std::memcpy(&reply[QrxData::DEVICE_MAC], "\x0a\x4b\x56\x3e\x88\x05", 6);
    EXPECT_EQ(QrxData::DeviceMac(reply), "0A:4B:56:3E:88:05");
}

TEST(DiscoveryReplies, TheOlderProtocolWantsItsRequestIdAndThisPcEchoed) {
    const MacBytes localMac = {0x02, 0x00, 0x5E, 0x10, 0x20, 0x30};
    std::string reply(QrxData::SIZE, '\0');
    const char requestId[4] = {0x12, 0x34, 0x56, 0x78};
    std::memcpy(&reply[QrxData::REQUEST_ID], requestId, 4);
    std::memcpy(&reply[QrxData::REQUESTER_MAC], localMac.data(), 6);
    for (const int nOp : {1, 5, 6, 7}) {
        reply[QrxData::OP] = static_cast<char>(nOp);
        EXPECT_TRUE(QrxData::IsReplyTo(reply, 0x12345678, localMac)) << nOp;
    }
    EXPECT_FALSE(QrxData::IsReplyTo(reply, 0x12345679, localMac));
    EXPECT_FALSE(QrxData::IsReplyTo(reply, 0x12345678, MacBytes{0x02, 0x00, 0x5E, 0x10, 0x20, 0x31}));
    EXPECT_FALSE(QrxData::IsReplyTo(reply.substr(0, 100), 0x12345678, localMac));
    reply[QrxData::OP] = 2;
    EXPECT_FALSE(QrxData::IsReplyTo(reply, 0x12345678, localMac));
}

TEST(DiscoveryReplies, AddressFieldsAreTextOrNothing) {
    std::string reply(KafData::SIZE, '\0');
    const char ipv4[4] = {static_cast<char>(198), 18, 0, 10};
    std::memcpy(&reply[KafData::IPV4], ipv4, 4);
    reply[KafData::IPV6] = static_cast<char>(0xFE);
    reply[KafData::IPV6 + 1] = static_cast<char>(0x80);
    reply[KafData::IPV6 + 15] = 1;
    EXPECT_EQ(CDiscoveryClient::ReplyAddressText(reply, KafData::IPV4, AF_INET), "198.18.0.10");
    EXPECT_EQ(CDiscoveryClient::ReplyAddressText(reply, KafData::IPV6, AF_INET6), "fe80::1");
    EXPECT_EQ(CDiscoveryClient::ReplyAddressText(std::string(KafData::SIZE, '\0'), KafData::IPV4, AF_INET),
              "");
    EXPECT_EQ(CDiscoveryClient::ReplyAddressText(reply.substr(0, 30), KafData::IPV6, AF_INET6), "")
        << "a field cut short by the end of the datagram is no address";
}
