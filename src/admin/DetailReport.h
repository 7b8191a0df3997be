#pragma once

#include "admin/ReportWriter.h"
#include "protocol/KorvaneInfo.h"

#include <map>
#include <string>
#include <vector>

namespace Korvane {

// The sections of the detail report; the numbers are the tree items' data.
enum DetailSection : int {
    SECTION_DEVICE = 0, // the whole report: 1, 2, 6, 7, 11
    SECTION_SYSTEM = 1,
    SECTION_VOLUMES = 2, // 3, 4, 5
    SECTION_RAID = 3,
    SECTION_ESATA = 4, // QRX-X family only
    SECTION_USB = 5,
    SECTION_NETWORK = 6,
    SECTION_SHARING = 7, // 8, 9, 10
    SECTION_FOLDERS = 8,
    SECTION_USERS = 9,
    SECTION_GROUPS = 10,
    SECTION_LOG = 11,
};

// The text of the detail report of one device, by section, and the shape of the section tree.
// The dialog only shows what this computes. The filter, if any, writes every value from the
// device (see CReportWriter).
class CDetailReport {
public:
    CDetailReport() = default;
    explicit CDetailReport(const CKorvaneInfo& info, ReportFieldFilter filter = {})
        : m_filter(std::move(filter)) {
        Rebuild(info);
    }

    // Renders every section from the device's information.
    void Rebuild(const CKorvaneInfo& info);
    // After a failed fetch the report shows nothing.
    void Clear() { m_sections.clear(); }
    bool IsEmpty() const { return m_sections.empty(); }
    bool HasSection(int nSection) const;

    // The text to show for a tree item: a group section is its header followed by its members'
    // texts. Empty for a section that was not built.
    std::string SectionText(int nSection) const;

    // Whether the device's report has the eSATA section (and its tree item).
    static bool HasEsataSection(const CKorvaneInfo& info);
    // The tree items in display order, each after its parent.
    static std::vector<int> TreeSections(const CKorvaneInfo& info);
    // The tree parent of a section; -1 for the root item.
    static int ParentSection(int nSection);
    static std::string SectionTitle(int nSection);

private:
    static const std::vector<int>* MembersOf(int nSection);

    ReportFieldFilter m_filter;
    std::map<int, std::string> m_sections;
};

} // namespace Korvane
