#pragma once

#include "protocol/RequestParam.h"

#include <map>
#include <string>

namespace Korvane {

constexpr int MELODY_ON = 0;
constexpr int MELODY_OFF = 1;

class CMelodyRequestParamBase {
public:
    int Command() const { return m_nCommand; }
    void SetCommand(int nCommand) { m_nCommand = nCommand; }

    static const std::map<std::string, int>& MelodyTable();

private:
    int m_nCommand = MELODY_ON;
};

// MELODY: starts or stops the locating melody; a code outside the table sends no command.
class CMelodyRequestParam : public CMelodyRequestParamBase, public CRequestParam {
public:
    using CRequestParam::CRequestParam;

protected:
    std::string_view RequestWord() const override { return "MELODY"; }
    void AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const override;
};

} // namespace Korvane
