#pragma once

#include "protocol/RequestParam.h"

namespace Korvane {

class CFWUpdateRequestParamBase {
public:
    explicit CFWUpdateRequestParamBase(std::string strFileName) : m_strFileName(std::move(strFileName)) {}

    // The image's file name without any directory part.
    const std::string& FileName() const { return m_strFileName; }

private:
    std::string m_strFileName;
};

// FWUPDATE: the image itself follows the document on the connection.
class CFWUpdateRequestParam : public CFWUpdateRequestParamBase, public CRequestParam {
public:
    explicit CFWUpdateRequestParam(std::string strFileName, std::string strAuthKey = std::string(),
                                   int nWaitMillisec = 0, double dVersion = REQUEST_VERSION_1_0);

protected:
    std::string_view RequestWord() const override { return "FWUPDATE"; }
    void AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const override;
};

} // namespace Korvane
