#pragma once

#include "protocol/RequestParam.h"

#include <cstdint>
#include <map>
#include <string>

namespace Korvane {

// GETINFO category bits.
constexpr uint32_t KORVANE_STATUS = 0x1;
constexpr uint32_t KORVANE_PRODUCT = 0x2;
constexpr uint32_t KORVANE_SYSTEMINFO = 0x4;
constexpr uint32_t KORVANE_RAID = 0x8;
constexpr uint32_t KORVANE_VOLUME = 0x10;
constexpr uint32_t KORVANE_NETWORK = 0x20;
constexpr uint32_t KORVANE_SYSTEMSETTING = 0x40;
constexpr uint32_t KORVANE_OUTPORT = 0x80;
constexpr uint32_t KORVANE_SHARE = 0x100;
constexpr uint32_t KORVANE_USER = 0x200;
constexpr uint32_t KORVANE_GROUP = 0x400;
constexpr uint32_t KORVANE_BACKUP = 0x800;
constexpr uint32_t KORVANE_ISS_CHECK = 0x1000;
constexpr uint32_t KORVANE_ADMIN_SIMPLE = 0x2000;
constexpr uint32_t KORVANE_ADMIN_NORMAL = 0x4000;
constexpr uint32_t KORVANE_ADMIN_DETAIL = 0x8000;
constexpr uint32_t KORVANE_RESTORE_SIMPLE = 0x10000;
constexpr uint32_t KORVANE_RESTORE_DETAIL = 0x20000;
constexpr uint32_t KORVANE_ALL = 0x40000;
constexpr uint32_t KORVANE_LOG = 0x100000;

// GETINFO info types.
constexpr uint32_t INFOTYPE_SIMPLE = 1;
constexpr uint32_t INFOTYPE_NORMAL = 2;
constexpr uint32_t INFOTYPE_DETAIL = 4;

// The data of a GETINFO request and the tables that name it. The tables are ordered by name,
// which is the order the parameters go out in.
class CGetInfoRequestParamBase {
public:
    using NameTable = std::map<std::string, uint32_t>;

    uint32_t CategoryMask() const { return m_nCategoryMask; }
    void AddCategory(uint32_t nCategoryBit) { m_nCategoryMask |= nCategoryBit; }
    uint32_t InfoType() const { return m_nInfoType; }
    void SetInfoType(uint32_t nInfoType) { m_nInfoType = nInfoType; }
    uint32_t Mask() const { return m_nMask; }
    void SetMask(uint32_t nMask) { m_nMask = nMask; }

    static const NameTable& CategoryTable();
    static const NameTable& MaskTable();
    static const NameTable& InfoTypeTable();

private:
    uint32_t m_nCategoryMask = 0;
    uint32_t m_nInfoType = 0;
    uint32_t m_nMask = 0;
};

class CGetInfoRequestParam : public CGetInfoRequestParamBase, public CRequestParam {
public:
    using CRequestParam::CRequestParam;

    // Only the simple administration category may be read without authorizing first.
    bool NeedsAuthorization() const { return (CategoryMask() & KORVANE_ADMIN_SIMPLE) == 0; }

protected:
    std::string_view RequestWord() const override { return "GETINFO"; }
    void AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const override;
};

} // namespace Korvane
