#pragma once

#include "protocol/RequestParam.h"

namespace Korvane {

class CSetInfoRequestParamBase {
public:
    // The XML text of the element to set on the device.
    const std::string& InfoNode() const { return m_strInfoNode; }
    void SetInfoNode(std::string strInfoNode) { m_strInfoNode = std::move(strInfoNode); }

private:
    std::string m_strInfoNode;
};

// SETINFO: carries one element of device settings; a text that is not well-formed XML makes
// the document fail to build.
class CSetInfoRequestParam : public CSetInfoRequestParamBase, public CRequestParam {
public:
    using CRequestParam::CRequestParam;

protected:
    std::string_view RequestWord() const override { return "SETINFO"; }
    void AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const override;
};

} // namespace Korvane
