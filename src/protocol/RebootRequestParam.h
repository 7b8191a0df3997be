#pragma once

#include "protocol/RequestParam.h"

namespace Korvane {

class CRebootRequestParam : public CRequestParam {
public:
    using CRequestParam::CRequestParam;

protected:
    std::string_view RequestWord() const override { return "REBOOT"; }
    void AppendOwnParams(Zelt::CXMLDocument&, Zelt::CXMLNode&) const override {}
};

} // namespace Korvane
