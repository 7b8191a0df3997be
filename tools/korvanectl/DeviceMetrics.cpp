#include "DeviceMetrics.h"

#include "DetailJson.h"
#include "admin/DetailReport.h"
#include "admin/StatusEvaluation.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Korvanectl {
namespace {

using Korvane::CExpositionWriter;
using Korvane::MetricLabels;
using Type = CExpositionWriter::Type;

// One device as the families read it: its key, its record, its labels and the sections of its information
// (null while the device has none).
struct Device {
    const std::string& mac;
    const Korvane::CManagedDevice& record;
    MetricLabels labels;
    nlohmann::json system;
    nlohmann::json volumes;
};

std::vector<Device> Devices(const Korvane::CKorvaneAdminInfoMgr& manager) {
    std::vector<Device> devices;
    for (const auto& [mac, record] : manager.Devices()) {
        Device& device = devices.emplace_back(Device{mac, record, {}, nullptr, nullptr});
        if (record.HasRootNode()) {
            device.system = DetailJson::Section(record, Korvane::SECTION_SYSTEM);
            device.volumes = DetailJson::Section(record, Korvane::SECTION_VOLUMES);
        }
        const nlohmann::json product = device.system.is_object() ? device.system.at("product") : nullptr;
        device.labels = {{"mac", mac},
                         {"name", record.Name()},
                         {"product", product.is_string() ? product.get<std::string>() : std::string()}};
    }
    return devices;
}

MetricLabels With(MetricLabels labels, std::string_view name, std::string value) {
    labels.emplace_back(name, std::move(value));
    return labels;
}

// A sample of a number or switch the device reported, scaled to the metric's unit; nothing when
// the device did not report it.
void Reported(CExpositionWriter& writer, const MetricLabels& labels, const nlohmann::json& value,
              double dScale = 1) {
    if (value.is_number()) {
        writer.Sample(labels, value.get<double>() * dScale);
    } else if (value.is_boolean()) {
        writer.Sample(labels, value.get<bool>() ? 1 : 0);
    }
}

// A value of the system section; null for a device without information.
nlohmann::json SystemValue(const Device& device, const char* pszKey) {
    return device.system.is_object() ? device.system.at(pszKey) : nullptr;
}

// Each volume the device reports, with its label: "raid", then "esata1"..., "usb1"... by port.
void EachVolume(const Device& device, const std::function<void(std::string, const nlohmann::json&)>& visit) {
    if (!device.volumes.is_object()) {
        return;
    }
    visit("raid", device.volumes.at("raid"));
    for (const char* pszKind : {"esata", "usb"}) {
        for (const nlohmann::json& port : device.volumes.value(pszKind, nlohmann::json::array())) {
            visit(pszKind + std::to_string(port.at("port").get<int>()), port);
        }
    }
}

// The device answered its last update with its information: it was reached and the exchange
// succeeded (a device that stops answering keeps the result of its last exchange, so the mark
// "unreachable" counts as well).
bool Answered(const Korvane::CManagedDevice& device) {
    return !Korvane::CStatusEvaluation::IsConnectionError(device) &&
           !Korvane::CStatusEvaluation::LastUpdateFailed(device);
}

constexpr std::pair<int, const char*> kStatusBits[] = {
    {Korvane::STATUS_BIT_UNREACHABLE, "unreachable"},
    {Korvane::STATUS_BIT_QUOTA, "quota"},
    {Korvane::STATUS_BIT_CAPACITY, "capacity"},
    {Korvane::STATUS_BIT_DISK_ERROR, "disk_error"},
    {Korvane::STATUS_BIT_UPS, "ups"},
    {Korvane::STATUS_BIT_NOTICE, "notice"},
};

struct DeviceFamily {
    const char* pszName;
    const char* pszHelp;
    std::function<void(CExpositionWriter&, const Device&)> samples;
};

void WriteVolumes(CExpositionWriter& writer, const Device& device, const char* pszKey) {
    EachVolume(device, [&](std::string volume, const nlohmann::json& capacity) {
        Reported(writer, With(device.labels, "volume", std::move(volume)), capacity.at(pszKey));
    });
}

std::vector<DeviceFamily> Families(const Korvane::CKorvaneAdminInfoMgr& manager) {
    return {
        {"korvane_device_up",
         "Whether the device answered its last update (1) or not (0: not reached, or the exchange failed).",
         [](CExpositionWriter& writer, const Device& device) {
             writer.Sample(device.labels, Answered(device.record) ? 1 : 0);
         }},
        {"korvane_device_state",
         "State of the device as the device list shows it: 0 normal, 1 caution, 2 error (a device that "
         "cannot be reached counts as an error).",
         [](CExpositionWriter& writer, const Device& device) {
             writer.Sample(device.labels, Korvane::CStatusEvaluation::OverallState(device.record));
         }},
        {"korvane_device_status_bit", "Status bits of the last evaluation, one series per bit: 1 when set.",
         [](CExpositionWriter& writer, const Device& device) {
             for (const auto& [nBit, pszName] : kStatusBits) {
                 writer.Sample(With(device.labels, "bit", pszName),
                               (device.record.GetStatusBits() & nBit) != 0 ? 1 : 0);
             }
         }},
        {"korvane_device_group_info", "Group membership of the device, one series of value 1 per group.",
         [&manager](CExpositionWriter& writer, const Device& device) {
             for (const std::string& group : manager.GroupsOf(device.mac)) {
                 writer.Sample(With(device.labels, "group", group), 1);
             }
         }},
        {"korvane_device_info", "Firmware version of the device (value 1).",
         [](CExpositionWriter& writer, const Device& device) {
             if (const nlohmann::json firmware = SystemValue(device, "firmware"); firmware.is_string()) {
                 writer.Sample(With(device.labels, "firmware", firmware.get<std::string>()), 1);
             }
         }},
        {"korvane_device_temperature_celsius", "Temperature inside the case in degrees Celsius.",
         [](CExpositionWriter& writer, const Device& device) {
             Reported(writer, device.labels, SystemValue(device, "temperature"));
         }},
        {"korvane_device_power_schedule_enabled",
         "Whether the power schedule of the device switches it on or off at set times (1) or not (0).",
         [](CExpositionWriter& writer, const Device& device) {
             Reported(writer, device.labels, SystemValue(device, "powerSchedule"));
         }},
        {"korvane_device_power_saving_idle_seconds",
         "Idle time after which the disks power down; 0 when power saving is off.",
         [](CExpositionWriter& writer, const Device& device) {
             Reported(writer, device.labels, SystemValue(device, "ecoMinutes"), 60);
         }},
        {"korvane_device_ups_battery_ratio", "Charge of the battery of the connected UPS, 0 to 1.",
         [](CExpositionWriter& writer, const Device& device) {
             Reported(writer, device.labels, SystemValue(device, "upsBattery"), 0.01);
         }},
        {"korvane_volume_capacity_bytes", "Capacity of the volume in bytes.",
         [](CExpositionWriter& writer, const Device& device) { WriteVolumes(writer, device, "totalBytes"); }},
        {"korvane_volume_used_bytes", "Space used on the volume in bytes.",
         [](CExpositionWriter& writer, const Device& device) { WriteVolumes(writer, device, "usedBytes"); }},
        {"korvane_device_last_success_timestamp_seconds",
         "Time of the last update that brought the device's information, in seconds since the Unix epoch.",
         [](CExpositionWriter& writer, const Device& device) {
             if (device.record.GetLastSuccess() != 0) {
                 writer.Sample(device.labels, static_cast<double>(device.record.GetLastSuccess()));
             }
         }},
        {"korvane_device_last_result_code",
         "Outcome of the device's last exchange: 0 success, 1 timeout, 2 communication error, 3 device "
         "error, 4 device busy.",
         [](CExpositionWriter& writer, const Device& device) {
             writer.Sample(device.labels, device.record.GetResultCode());
         }},
    };
}

} // namespace

void DeviceMetrics::Write(const Korvane::CKorvaneAdminInfoMgr& manager, CExpositionWriter& writer) {
    const std::vector<Device> devices = Devices(manager);
    for (const DeviceFamily& family : Families(manager)) {
        writer.Family(family.pszName, Type::GAUGE, family.pszHelp);
        for (const Device& device : devices) {
            family.samples(writer, device);
        }
    }
}

} // namespace Korvanectl
