#include "protocol/ResponseReader.h"

#include "net/SocketErrors.h"
#include "protocol/KorvaneErrors.h"
#include "support/Base64Str.h"
#include "support/XmlDocument.h"

#include <algorithm>
#include <arpa/inet.h>

namespace Korvane {
namespace {

// True for "WAIT"; throws for "NG".
bool IsWaitResponse(const Zelt::CXMLDocument& response) {
    const Zelt::CXMLNode root = response.GetRootNode();
    const std::string result = root.SingleSelectNode("result").GetText();
    if (result == "NG") {
        const std::string code = root.SingleSelectNode("response/errorparam").GetText();
        if (code == ERROR_CODE_WRONG_PASSWORD || code == ERROR_CODE_NOT_AUTHORIZED) {
            throw CKorvaneAuthorizationError();
        }
        throw CErrorParam(code);
    }
    return result == "WAIT";
}

} // namespace

CResponseReader::CResponseReader(ReadExactly readExactly) : m_readExactly(std::move(readExactly)) {}

std::string CResponseReader::ReadMessage() {
    unsigned char lengthBytes[4];
    m_readExactly(lengthBytes, sizeof lengthBytes);
    uint32_t nNetwork = 0;
    std::copy_n(lengthBytes, 4, reinterpret_cast<unsigned char*>(&nNetwork));
    const uint32_t nLength = ntohl(nNetwork);
    if (nLength > MAX_RESPONSE_BYTES) {
        Zelt::ThrowSocketError("CKorvaneInfo::ConnectionKorvane(): response length out of range.",
                               Zelt::SOCKET_KIND_RECEIVE);
    }
    std::string body(nLength, '\0');
    m_readExactly(body.data(), body.size());
    Zelt::CBase64DecodeStr decoder;
    const std::string& decoded = decoder.Convert(body);
    // Padding leaves zero bytes at the end; the document ends before them.
    return decoded.substr(0, decoded.find('\0'));
}

std::string CResponseReader::ReadFinalResponse() {
    for (;;) {
        std::string text = ReadMessage();
        Zelt::CXMLDocument response;
        response.LoadFromBytes(text);
        if (!IsWaitResponse(response)) {
            return text;
        }
    }
}

} // namespace Korvane
