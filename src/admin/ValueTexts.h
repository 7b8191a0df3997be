#pragma once

#include "admin/InfoValues.h"

#include <string>
#include <string_view>

namespace Korvane {

// The texts that the device list and the detail report show for device values. Each formatter
// reads the document through CInfoValues with the given XPath; missing values give the no-value
// text "-" unless a formatter names its own text for them ("未接続", "無効").
class CValueTexts {
public:
    // Attribute "enable": "true" (any case) → 有効, otherwise 無効; no node → "-".
    static std::string EnableText(const CInfoValues& values, std::string_view xpath);
    // "2000GB (2000398934016Bytes)".
    static std::string TotalCapacityText(const CInfoValues& values, std::string_view xpath);
    // "150GB (150000000000 Bytes) 7%", with the "total" beside the "use" element; "-" when either
    // is missing or the total is 0.
    static std::string UsedCapacityText(const CInfoValues& values, std::string_view xpath);
    // A byte count as whole (decimal) gigabytes: "2000GB".
    static std::string GigabyteText(std::string_view bytes);
    // Of xpath + "/defaulttime/minute": 0 → 無効, 60 → 1 時間後, n → n 分後.
    static std::string EcoTimeText(const CInfoValues& values, std::string_view xpath);
    static std::string TemperatureText(const CInfoValues& values, std::string_view xpath);
    // Attribute "status" of the UPS element; no UPS is 未接続.
    static std::string UpsText(const CInfoValues& values, std::string_view xpath);
    // NG when any internal disk reports NG; "-" when the path selects nothing.
    static std::string SmartText(const CInfoValues& values, std::string_view xpath);
    // The workgroup or domain name by the attribute "method" of the path.
    static std::string NetworkNameText(const CInfoValues& values, std::string_view xpath);
    // "ENC_RAID5+S_4" → "暗号化RAID5 + スペアー (4 台)".
    static std::string RaidLevelText(std::string_view level);
    static std::string RaidStatusText(std::string_view status);
    static std::string VolumeStatusText(std::string_view status);
    // The array and volume states of a RAID element together ("構成異常/再構築中").
    static std::string CombinedRaidStateText(const CInfoValues& values, std::string_view xpath);
    // Attribute "status" of a disk element; no disk is 未接続.
    static std::string DiskStateText(const CInfoValues& values, std::string_view xpath);
    // Attribute "mode" of a volume element.
    static std::string OperationModeText(const CInfoValues& values, std::string_view xpath);
    // Attribute "type" of a common network element. bNamedPorts: the device calls its ports
    // LAN and EXT rather than LAN1 and LAN2.
    static std::string AddressMethodText(const CInfoValues& values, std::string_view xpath, bool bNamedPorts);
    // Attribute "dhcp": "true" → 有効, anything else → 無効.
    static std::string DhcpText(const CInfoValues& values, std::string_view xpath);
    static std::string LampBrightnessText(const CInfoValues& values, std::string_view xpath);
    // "95" → "95%".
    static std::string PercentText(std::string_view value);
    // "有効 (USB1、USB2)" for the ports the path selects, 無効 for none.
    static std::string PortListText(const CInfoValues& values, std::string_view xpath);
};

} // namespace Korvane
