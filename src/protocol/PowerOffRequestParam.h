#pragma once

#include "protocol/RequestParam.h"

namespace Korvane {

class CPowerOffRequestParamBase {
public:
    bool Network() const { return m_bNetwork; }
    void SetNetwork(bool bNetwork) { m_bNetwork = bNetwork; }

private:
    bool m_bNetwork = false;
};

// POWEROFF; the network flag asks the device to stay wakeable over the network.
class CPowerOffRequestParam : public CPowerOffRequestParamBase, public CRequestParam {
public:
    using CRequestParam::CRequestParam;

protected:
    std::string_view RequestWord() const override { return "POWEROFF"; }
    void AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const override;
};

} // namespace Korvane
