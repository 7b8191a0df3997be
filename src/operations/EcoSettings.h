#pragma once

#include "protocol/KorvaneInfo.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Korvane {

// One waiting time of the "時間設定:" list; its position is its index in CEcoSettings::Times().
struct EcoTime {
    int nMinutes = 0;
    std::string text;
};

// One volume of the dialog: its element in the eco settings and its port (0 for none).
struct EcoVolume {
    std::string_view element;
    int nPort = 0;
};

// The eco mode dialog without its window: what it shows, what may be changed, and the settings
// document it sends. The dialog shows InitialMessageId() (when not 0) once it is open.
class CEcoSettings {
public:
    static constexpr size_t VOLUME_COUNT = 6;
    // Volume item indexes, in the order of the dialog and of the settings document.
    enum Volume : size_t {
        VOLUME_INTERNAL = 0,
        VOLUME_ESATA = 1,
        VOLUME_USB1 = 2,
        VOLUME_USB2 = 3,
        VOLUME_USB3 = 4,
        VOLUME_USB4 = 5,
    };

    // In the language in force.
    static std::vector<EcoTime> Times();
    static const std::array<EcoVolume, VOLUME_COUNT>& Volumes();
    // The caption of a volume's "enabled"/"disabled" pair, in the language in force.
    static std::string VolumeCaption(const EcoVolume& volume);
    // "なし", "%d 分後" or "%d 時間後".
    static std::string TimeText(int nMinutes);
    static std::optional<size_t> PositionOf(int64_t nMinutes);

    // Shows the current setting of the first target; the models of all targets decide which
    // volumes can be set. No targets reads as no eco information.
    explicit CEcoSettings(const std::vector<const CKorvaneInfo*>& targets);

    // 0, or the string id of the message about the initial display (settings not read, or not shown
    // correctly).
    int InitialMessageId() const { return m_nInitialMessageId; }

    size_t SelectedPosition() const { return m_nPosition; }
    int SelectedMinutes() const { return Times()[m_nPosition].nMinutes; }
    // Positions outside the list are ignored.
    void SelectPosition(size_t nPosition);

    // The "有効" choice of a volume.
    bool IsVolumeOn(size_t nVolume) const { return m_volumeOn.at(nVolume); }
    void SetVolumeOn(size_t nVolume, bool bOn) { m_volumeOn.at(nVolume) = bOn; }
    // Whether the volume's pair of buttons can be changed now.
    bool IsVolumeEnabled(size_t nVolume) const;

    // The settings document of the current choices, as sent to every target.
    std::string BuildDocument() const;

private:
    void ReadCurrentSetting(const CKorvaneInfo& device);

    size_t m_nPosition = 0;
    std::array<bool, VOLUME_COUNT> m_volumeOn{};
    bool m_bAnyQrxH = false;
    int m_nInitialMessageId = 0;
};

} // namespace Korvane
