#pragma once

#include "admin/AdminInfoMgr.h"
#include "operations/EcoSettings.h"

#include <array>
#include <string>
#include <vector>

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace KorvaneApp {

// "省電力モード設定 - KORVANE Admin": shows the eco setting of the first target (MAC keys), lets
// the user choose the waiting time and, per volume, "有効" or "無効", and sends one settings
// document to every target through the progress dialog ("設定"). The models of all targets decide
// which volumes can be changed; a waiting time of "なし" disables every volume. When the first
// target's setting cannot be shown (not read, or not shown correctly) the message comes once the dialog is
// up.
class EcoModeDialog : public QDialog {
    Q_OBJECT
public:
    EcoModeDialog(Korvane::CKorvaneAdminInfoMgr& manager, std::vector<std::string> targetMacs,
                  QWidget* pParent = nullptr);

    const Korvane::CEcoSettings& Settings() const { return m_eco; }
    QComboBox* TimeList() const { return m_pTimes; }
    QRadioButton* OnButton(size_t nVolume) const { return m_onButtons.at(nVolume); }
    QRadioButton* OffButton(size_t nVolume) const { return m_offButtons.at(nVolume); }
    QPushButton* SetButton() const { return m_pSet; }

public slots:
    // "設定": sends the settings, then closes.
    void accept() override;

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    static std::vector<const Korvane::CKorvaneInfo*> TargetInfos(const Korvane::CKorvaneAdminInfoMgr& manager,
                                                                 const std::vector<std::string>& macs);
    void OnTimeChosen(int nPosition);
    void UpdateEnabling();

    Korvane::CKorvaneAdminInfoMgr& m_manager;
    std::vector<std::string> m_targetMacs;
    Korvane::CEcoSettings m_eco;
    bool m_bMessageShown = false;
    QComboBox* m_pTimes;
    std::array<QLabel*, Korvane::CEcoSettings::VOLUME_COUNT> m_captions{};
    std::array<QRadioButton*, Korvane::CEcoSettings::VOLUME_COUNT> m_onButtons{};
    std::array<QRadioButton*, Korvane::CEcoSettings::VOLUME_COUNT> m_offButtons{};
    QPushButton* m_pSet;
};

} // namespace KorvaneApp
