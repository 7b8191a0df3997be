#include "operations/WebPages.h"

#include "admin/InfoColumnTable.h"
#include "admin/InfoValues.h"
#include "admin/TextFormat.h"
#include "support/StringTable.h"

#include <array>
#include <stdexcept>
#include <sys/socket.h>

namespace Korvane {
namespace {

struct PagePaths {
    std::string_view qrxH;
    std::string_view other;
};

constexpr std::array<PagePaths, 4> kPagePaths = {{
    {"login/admin/system/datetime/datetime", "detail/basic/datetime/datetime.cgi"},
    {"login/admin/network/lan1/ipv4/ipv4", "detail/basic/network/network.cgi"},
    {"login/admin/usergroup/user/quota/quota", "detail/share/userquota/userquota.cgi"},
    {"login/admin/system/notice/mail/mailnotice/mailnotice", "detail/notice/event/event.cgi"},
}};

bool IsScanBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

WebPageStep StepFor(int nPage, const CManagedDevice& device, const std::string& host) {
    const std::string productName = CWebPages::ProductName(device);
    if (nPage == WEB_PAGE_QUOTA && CWebPages::LacksQuota(productName)) {
        return {WebPageStep::SHOW_MESSAGE,
                CTextFormat::FormatId(Zelt::Text::QuotaNotSupported, {device.Name()}), device.Name()};
    }
    const std::string_view path = CWebPages::PagePath(nPage, CWebPages::IsQrxHModel(productName));
    return {WebPageStep::OPEN_URL, CWebPages::Url(host, path), device.Name()};
}

} // namespace

bool CWebPages::IsQrxHModel(std::string_view productName) {
    // Mirrors the formatted scan: running out of text before the number is an input failure,
    // which the scan reports as non-zero; a mismatch before the number is zero.
    constexpr std::string_view prefix = "QRX";
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (i == productName.size()) {
            return true;
        }
        if (productName[i] != prefix[i]) {
            return false;
        }
    }
    size_t pos = prefix.size();
    while (pos < productName.size() && IsScanBlank(productName[pos])) {
        ++pos;
    }
    if (pos == productName.size()) {
        return true;
    }
    if (productName[pos] == '+' || productName[pos] == '-') {
        ++pos;
    }
    return pos < productName.size() && productName[pos] >= '0' && productName[pos] <= '9';
}

bool CWebPages::LacksQuota(std::string_view productName) {
    return productName.starts_with(Zelt::CStringTable::Text(Zelt::Text::NoQuotaProductPrefix));
}

std::string CWebPages::ProductName(const CKorvaneInfo& device) {
    return CInfoValues(device).Text(InfoPath::PRODUCT_NAME);
}

std::string_view CWebPages::PagePath(int nPage, bool bQrxH) {
    if (nPage < 0 || nPage >= static_cast<int>(kPagePaths.size())) {
        throw std::invalid_argument("CWebPages::PagePath: no such page");
    }
    const PagePaths& paths = kPagePaths[static_cast<size_t>(nPage)];
    return bQrxH ? paths.qrxH : paths.other;
}

std::string CWebPages::Url(std::string_view host, std::string_view path) {
    std::string url = "http://";
    url.append(host).append("/").append(path);
    return url;
}

std::optional<std::string> CWebPages::ReachableHost(CKorvaneInfo& device,
                                                    const Zelt::CancelEventPtr& cancelEvent) {
    if (device.CheckConnection(AF_INET, cancelEvent)) {
        return device.GetIPv4Address();
    }
    if (device.CheckConnection(AF_INET6, cancelEvent)) {
        return "[" + device.GetIPv6Address() + "]";
    }
    return std::nullopt;
}

WebPagePlan CWebPages::Plan(int nPage, std::vector<CManagedDevice> devices,
                            const Zelt::CancelEventPtr& cancelEvent) {
    PagePath(nPage, false); // refuses a bad page before any device is contacted
    WebPagePlan plan;
    for (CManagedDevice& device : devices) {
        const std::optional<std::string> host = ReachableHost(device, cancelEvent);
        if (!host) {
            plan.bStopped = true;
            plan.stoppedBy = device.Name();
            plan.bCancelled = cancelEvent && cancelEvent->IsSet();
            break;
        }
        plan.steps.push_back(StepFor(nPage, device, *host));
    }
    return plan;
}

} // namespace Korvane
