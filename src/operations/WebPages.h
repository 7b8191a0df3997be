#pragma once

#include "admin/ManagedDevice.h"
#include "net/CancelEvent.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Korvane {

// The device's own setting pages that the program opens in the browser.
enum WebPage : int {
    WEB_PAGE_TIME = 0,
    WEB_PAGE_IP_ADDRESS = 1,
    WEB_PAGE_QUOTA = 2,
    WEB_PAGE_MAIL = 3,
};

// One thing the caller does, in order: open a URL in the browser or show a message (information
// icon).
struct WebPageStep {
    enum Kind { OPEN_URL, SHOW_MESSAGE };
    Kind kind = OPEN_URL;
    std::string text;   // the URL or the message text
    std::string device; // name of the device the step is for
};

// What a web page command does. The GUI and korvanectl only carry it out.
struct WebPagePlan {
    std::vector<WebPageStep> steps;
    // A device answered on neither address: the devices after it are not handled and nothing is
    // said about it to the user.
    bool bStopped = false;
    std::string stoppedBy;   // that device's name
    bool bCancelled = false; // the stop came from the cancel event, not from the device
};

// Opening the devices' web setting pages: page paths by model family, the URL, and which address
// of each device to use.
class CWebPages {
public:
    // The family test shared by everything that depends on the model: the product name scanned
    // with "QRX%d-H" gives a non-zero result. So "QRX" followed by a number holds, and so does a
    // name that ends before the number is reached (an empty one, for example).
    static bool IsQrxHModel(std::string_view productName);
    // Models without the quota function.
    static bool LacksQuota(std::string_view productName);
    // The product name in a device's stored information; empty when it has none.
    static std::string ProductName(const CKorvaneInfo& device);

    // Throws std::invalid_argument for a page number outside 0-3.
    static std::string_view PagePath(int nPage, bool bQrxH);
    // "http://host/path"; the host is an IPv4 text or a bracketed IPv6 text.
    static std::string Url(std::string_view host, std::string_view path);
    // The host part for the device: its IPv4 address when it answers there, else "[IPv6]" when it
    // answers there, else nothing.
    static std::optional<std::string> ReachableHost(CKorvaneInfo& device,
                                                    const Zelt::CancelEventPtr& cancelEvent);

    // Works through the devices in the order given. The devices are the caller's copies: the
    // connection checks mark unanswered address families in them.
    static WebPagePlan Plan(int nPage, std::vector<CManagedDevice> devices,
                            const Zelt::CancelEventPtr& cancelEvent);
};

} // namespace Korvane
