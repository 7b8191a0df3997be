#include "protocol/GetInfoRequestParam.h"

#include "support/XmlDocument.h"

namespace Korvane {

const CGetInfoRequestParamBase::NameTable& CGetInfoRequestParamBase::CategoryTable() {
    static const NameTable table = {
        {"KORVANE_STATUS", KORVANE_STATUS},
        {"KORVANE_PRODUCT", KORVANE_PRODUCT},
        {"KORVANE_SYSTEMINFO", KORVANE_SYSTEMINFO},
        {"KORVANE_RAID", KORVANE_RAID},
        {"KORVANE_VOLUME", KORVANE_VOLUME},
        {"KORVANE_NETWORK", KORVANE_NETWORK},
        {"KORVANE_SYSTEMSETTING", KORVANE_SYSTEMSETTING},
        {"KORVANE_OUTPORT", KORVANE_OUTPORT},
        {"KORVANE_SHARE", KORVANE_SHARE},
        {"KORVANE_USER", KORVANE_USER},
        {"KORVANE_GROUP", KORVANE_GROUP},
        {"KORVANE_BACKUP", KORVANE_BACKUP},
        {"KORVANE_ISS_CHECK", KORVANE_ISS_CHECK},
        {"KORVANE_ADMIN_SIMPLE", KORVANE_ADMIN_SIMPLE},
        {"KORVANE_ADMIN_NORMAL", KORVANE_ADMIN_NORMAL},
        {"KORVANE_ADMIN_DETAIL", KORVANE_ADMIN_DETAIL},
        {"KORVANE_RESTORE_SIMPLE", KORVANE_RESTORE_SIMPLE},
        {"KORVANE_RESTORE_DETAIL", KORVANE_RESTORE_DETAIL},
        {"KORVANE_ALL", KORVANE_ALL},
        {"KORVANE_LOG", KORVANE_LOG},
    };
    return table;
}

const CGetInfoRequestParamBase::NameTable& CGetInfoRequestParamBase::MaskTable() {
    static const NameTable table = {
        {"MASK_ADMIN_SIMPLE", 1},   {"MASK_ADMIN_NORMAL", 2},    {"MASK_ADMIN_DETAIL", 4},
        {"MASK_RESTORE_SIMPLE", 8}, {"MASK_RESTORE_DETAIL", 16}, {"MASK_ISS_CHECK", 32},
        {"MASK_STATUS", 64},
    };
    return table;
}

const CGetInfoRequestParamBase::NameTable& CGetInfoRequestParamBase::InfoTypeTable() {
    static const NameTable table = {
        {"INFOTYPE_SIMPLE", INFOTYPE_SIMPLE},
        {"INFOTYPE_NORMAL", INFOTYPE_NORMAL},
        {"INFOTYPE_DETAIL", INFOTYPE_DETAIL},
    };
    return table;
}

void CGetInfoRequestParam::AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const {
    for (const auto& [name, bit] : CategoryTable()) {
        if ((CategoryMask() & bit) != 0) {
            AppendParam(document, root, "category", name);
        }
    }
    if (Mask() != 0) {
        AppendParamsNaming(document, root, "mask", MaskTable(), Mask());
    }
    if (InfoType() != 0) {
        AppendParamsNaming(document, root, "infotype", InfoTypeTable(), InfoType());
    }
}

} // namespace Korvane
