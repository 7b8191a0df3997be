#include "admin/DetailReport.h"

#include "admin/InfoValues.h"
#include "admin/NetworkSection.h"
#include "admin/ReportSections.h"
#include "admin/ReportWriter.h"
#include "support/StringTable.h"

#include <algorithm>

namespace Korvane {
namespace {

const std::vector<int> kDeviceMembers = {SECTION_SYSTEM, SECTION_VOLUMES, SECTION_NETWORK, SECTION_SHARING,
                                         SECTION_LOG};
const std::vector<int> kVolumeMembers = {SECTION_RAID, SECTION_ESATA, SECTION_USB};
const std::vector<int> kSharingMembers = {SECTION_FOLDERS, SECTION_USERS, SECTION_GROUPS};

// Section n's title is the n-th after the whole device's.
constexpr int kFirstTitleId = Zelt::Text::DetailTitleDevice;
static_assert(kFirstTitleId + SECTION_LOG == Zelt::Text::DetailTitleLog);

} // namespace

void CDetailReport::Rebuild(const CKorvaneInfo& info) {
    const CInfoValues values(info);
    const CReportSections sections(values, m_filter);
    m_sections.clear();
    m_sections[SECTION_SYSTEM] = sections.System();
    m_sections[SECTION_RAID] = sections.Raid();
    if (CReportSections::IsXFamily(values)) {
        m_sections[SECTION_ESATA] = sections.EsataVolumes();
    }
    m_sections[SECTION_USB] = sections.UsbVolumes();
    m_sections[SECTION_NETWORK] = CNetworkSection::Text(values, m_filter);
    m_sections[SECTION_FOLDERS] = sections.ShareFolders();
    m_sections[SECTION_USERS] = sections.Users();
    m_sections[SECTION_GROUPS] = sections.Groups();
    m_sections[SECTION_LOG] = sections.Log();
}

const std::vector<int>* CDetailReport::MembersOf(int nSection) {
    switch (nSection) {
    case SECTION_DEVICE:
        return &kDeviceMembers;
    case SECTION_VOLUMES:
        return &kVolumeMembers;
    case SECTION_SHARING:
        return &kSharingMembers;
    default:
        return nullptr;
    }
}

bool CDetailReport::HasSection(int nSection) const {
    const std::vector<int>* pMembers = MembersOf(nSection);
    return pMembers != nullptr ? !IsEmpty() : m_sections.count(nSection) != 0;
}

std::string CDetailReport::SectionText(int nSection) const {
    if (!HasSection(nSection)) {
        return std::string();
    }
    const std::vector<int>* pMembers = MembersOf(nSection);
    if (pMembers == nullptr) {
        return m_sections.at(nSection);
    }
    std::string text = CReportWriter::Header(kFirstTitleId + nSection);
    for (int nMember : *pMembers) {
        text += SectionText(nMember);
    }
    return text;
}

bool CDetailReport::HasEsataSection(const CKorvaneInfo& info) {
    return CReportSections::IsXFamily(CInfoValues(info));
}

std::vector<int> CDetailReport::TreeSections(const CKorvaneInfo& info) {
    std::vector<int> sections;
    for (int nSection = SECTION_DEVICE; nSection <= SECTION_LOG; ++nSection) {
        if (nSection != SECTION_ESATA || HasEsataSection(info)) {
            sections.push_back(nSection);
        }
    }
    return sections;
}

int CDetailReport::ParentSection(int nSection) {
    for (int nGroup : {SECTION_DEVICE, SECTION_VOLUMES, SECTION_SHARING}) {
        const std::vector<int>& members = *MembersOf(nGroup);
        if (std::find(members.begin(), members.end(), nSection) != members.end()) {
            return nGroup;
        }
    }
    return -1;
}

std::string CDetailReport::SectionTitle(int nSection) {
    if (nSection < SECTION_DEVICE || nSection > SECTION_LOG) {
        return std::string();
    }
    return std::string(Zelt::CStringTable::Text(kFirstTitleId + nSection));
}

} // namespace Korvane
