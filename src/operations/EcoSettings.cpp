#include "operations/EcoSettings.h"

#include "admin/Decimal.h"
#include "admin/InfoColumnTable.h"
#include "admin/InfoValues.h"
#include "admin/TextFormat.h"
#include "operations/WebPages.h"
#include "support/StringTable.h"
#include "support/XmlDocument.h"

namespace Korvane {
namespace {

constexpr std::array<int, 6> kOfferedMinutes = {0, 10, 15, 20, 30, 60};

constexpr std::string_view kMinuteElement = "minute";
constexpr std::string_view kDefaultMinutePath = "defaulttime/minute";

std::string VolumePath(const EcoVolume& volume) {
    std::string path = std::string(InfoPath::ECO) + "/" + std::string(volume.element);
    if (volume.nPort != 0) {
        path += "[@port='" + std::to_string(volume.nPort) + "']";
    }
    return path;
}

bool AnyQrxH(const std::vector<const CKorvaneInfo*>& targets) {
    for (const CKorvaneInfo* target : targets) {
        if (target != nullptr && CWebPages::IsQrxHModel(CWebPages::ProductName(*target))) {
            return true;
        }
    }
    return false;
}

// Appends an element with a "minute" child holding the minutes; returns the element.
Zelt::CXMLNode AppendTimed(Zelt::CXMLDocument& document, Zelt::CXMLNode& parent, std::string_view name,
                           const std::string& minutes) {
    Zelt::CXMLNode element = parent.AppendChild(document.CreateElement(name));
    element.AppendChild(document.CreateElement(kMinuteElement)).SetText(minutes);
    return element;
}

} // namespace

std::vector<EcoTime> CEcoSettings::Times() {
    std::vector<EcoTime> times;
    for (int nMinutes : kOfferedMinutes) {
        times.push_back({nMinutes, TimeText(nMinutes)});
    }
    return times;
}

const std::array<EcoVolume, CEcoSettings::VOLUME_COUNT>& CEcoSettings::Volumes() {
    static constexpr std::array<EcoVolume, VOLUME_COUNT> volumes = {{
        {"internal", 0},
        {"esata", 1},
        {"usb", 1},
        {"usb", 2},
        {"usb", 3},
        {"usb", 4},
    }};
    return volumes;
}

std::string CEcoSettings::VolumeCaption(const EcoVolume& volume) {
    if (volume.element == "usb") {
        return CTextFormat::FormatId(Zelt::Text::EcoVolumeUsb, {std::to_string(volume.nPort)});
    }
    return std::string(Zelt::CStringTable::Text(volume.element == "esata" ? Zelt::Text::EcoVolumeEsata
                                                                          : Zelt::Text::EcoVolumeInternal));
}

std::string CEcoSettings::TimeText(int nMinutes) {
    if (nMinutes == 0) {
        return std::string(Zelt::CStringTable::Text(Zelt::Text::WordNone));
    }
    if (nMinutes < 60) {
        return CTextFormat::FormatId(Zelt::Text::EcoChoiceMinutes, {std::to_string(nMinutes)});
    }
    return CTextFormat::FormatId(Zelt::Text::EcoChoiceHours, {std::to_string(nMinutes / 60)});
}

std::optional<size_t> CEcoSettings::PositionOf(int64_t nMinutes) {
    for (size_t i = 0; i < kOfferedMinutes.size(); ++i) {
        if (kOfferedMinutes[i] == nMinutes) {
            return i;
        }
    }
    return std::nullopt;
}

CEcoSettings::CEcoSettings(const std::vector<const CKorvaneInfo*>& targets) : m_bAnyQrxH(AnyQrxH(targets)) {
    if (targets.empty() || targets.front() == nullptr) {
        m_nInitialMessageId = Zelt::Text::EcoSettingsNotRead;
        return;
    }
    ReadCurrentSetting(*targets.front());
}

void CEcoSettings::ReadCurrentSetting(const CKorvaneInfo& device) {
    const CInfoValues values(device);
    const std::string minutePath = std::string(InfoPath::ECO) + "/" + std::string(kDefaultMinutePath);
    // A device polled without its password has no eco information: nothing to show.
    if (!values.Exists(minutePath)) {
        m_nInitialMessageId = Zelt::Text::EcoSettingsNotRead;
        return;
    }
    for (size_t i = 0; i < VOLUME_COUNT; ++i) {
        m_volumeOn[i] = CInfoValues::SameText(values.Attribute(VolumePath(Volumes()[i]), "enable"), "true");
    }
    // Read the forgiving way of device numbers: the leading digits.
    const std::optional<size_t> position = PositionOf(CDecimal::LeadingInteger(values.Text(minutePath)));
    if (!position) {
        m_nInitialMessageId = Zelt::Text::EcoSettingsNotShown;
        return;
    }
    m_nPosition = *position;
}

void CEcoSettings::SelectPosition(size_t nPosition) {
    if (nPosition < Times().size()) {
        m_nPosition = nPosition;
    }
}

bool CEcoSettings::IsVolumeEnabled(size_t nVolume) const {
    if (SelectedMinutes() == 0) {
        return false;
    }
    switch (nVolume) {
    case VOLUME_ESATA:
        return !m_bAnyQrxH;
    case VOLUME_USB3:
    case VOLUME_USB4:
        return m_bAnyQrxH;
    default:
        return nVolume < VOLUME_COUNT;
    }
}

std::string CEcoSettings::BuildDocument() const {
    const std::string minutes = std::to_string(SelectedMinutes());
    Zelt::CXMLDocument document;
    Zelt::CXMLNode root = document.CreateElement("korvaneinfo");
    Zelt::CXMLNode eco =
        root.AppendChild(document.CreateElement("system")).AppendChild(document.CreateElement("eco"));
    AppendTimed(document, eco, "defaulttime", minutes);
    for (size_t i = 0; i < VOLUME_COUNT; ++i) {
        const EcoVolume& volume = Volumes()[i];
        Zelt::CXMLNode element = AppendTimed(document, eco, volume.element, minutes);
        if (volume.nPort != 0) {
            element.SetAttributeValue("port", std::to_string(volume.nPort));
        }
        element.SetAttributeValue("enable", m_volumeOn[i] ? "true" : "false");
    }
    document.SetRootNode(root);
    return document.SaveToBytes();
}

} // namespace Korvane
