// What every poll of every device costs on the client: building and serialising the request,
// the Base64 framing both ways, and loading and querying the response document.
#include "protocol/GetInfoRequestParam.h"
#include "support/Base64Str.h"
#include "support/XmlDocument.h"

#include <string>

#include <benchmark/benchmark.h>

namespace {

// A device information document of realistic size: a few volumes, shares and users.
std::string DeviceInformation(int nShares) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><response><result>OK</result><response><korvaneinfo>"
        "<product><name>KS-4000</name></product><network><host><name>ks-01</name></host>"
        "<tcpip family=\"inet\"><lan><ipsetting><ip>198.18.0.10</ip></ipsetting>"
        "<mac>00:11:22:33:44:55</mac></lan></tcpip></network><statusinfo><status>normal</status></"
        "statusinfo>";
    for (int i = 0; i < nShares; ++i) {
        xml += "<share name=\"share" + std::to_string(i) +
               "\"><comment>共有フォルダー</comment><quota>1024</quota></share>";
    }
    return xml + "</korvaneinfo></response></response>";
}

void BM_BuildStatusRequest(benchmark::State& state) {
    for (auto _ : state) {
        Korvane::CGetInfoRequestParam request("authkey", 30000);
        request.AddCategory(Korvane::KORVANE_STATUS);
        request.AddCategory(Korvane::KORVANE_NETWORK);
        request.SetInfoType(Korvane::INFOTYPE_SIMPLE);
        Zelt::CXMLDocument document;
        request.MakeRequestXml(document);
        benchmark::DoNotOptimize(document.SaveToBytes());
    }
}
BENCHMARK(BM_BuildStatusRequest);

void BM_DecodeAndQueryResponse(benchmark::State& state) {
    Zelt::CBase64EncodeStr encoder;
    const std::string frame = encoder.Convert(DeviceInformation(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        Zelt::CBase64DecodeStr decoder;
        const std::string& bytes = decoder.Convert(frame);
        Zelt::CXMLDocument document;
        document.LoadFromBytes(std::string_view(bytes.c_str()));
        Zelt::CXMLNode info = document.GetRootNode().SingleSelectNode("response/korvaneinfo");
        benchmark::DoNotOptimize(
            info.SingleSelectNode("network/tcpip[not(@family='inet6')]/lan/ipsetting/ip").GetText());
        benchmark::DoNotOptimize(info.SingleSelectNode("statusinfo/status").GetText());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(BM_DecodeAndQueryResponse)->Arg(4)->Arg(64)->Arg(1024);

} // namespace
