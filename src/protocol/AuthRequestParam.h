#pragma once

#include "protocol/RequestParam.h"

namespace Korvane {

class CAuthRequestParamBase {
public:
    const std::string& User() const { return m_strUser; }
    void SetUser(std::string strUser) { m_strUser = std::move(strUser); }
    const std::string& Password() const { return m_strPassword; }
    void SetPassword(std::string strPassword) { m_strPassword = std::move(strPassword); }

private:
    std::string m_strUser;
    std::string m_strPassword;
};

// AUTHORIZATION: the device answers with the key that later requests carry. The password
// travels as plain text inside the document; the device protocol has nothing better.
class CAuthRequestParam : public CAuthRequestParamBase, public CRequestParam {
public:
    using CRequestParam::CRequestParam;

protected:
    std::string_view RequestWord() const override { return "AUTHORIZATION"; }
    void AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const override;
};

} // namespace Korvane
