#pragma once

#include "protocol/RequestParamBase.h"
#include "support/XmlDocument.h"

#include <string_view>

namespace Korvane {

constexpr double REQUEST_VERSION_1_0 = 1.0;

// A request that can build its "korvaneRequest" document.
class CRequestParam : public CRequestParamBase {
public:
    explicit CRequestParam(std::string strAuthKey = std::string(), int nWaitMillisec = 0,
                           double dVersion = REQUEST_VERSION_1_0);

    // Builds the whole request as the document's root. False when an XML step failed; the
    // document may then hold part of the request.
    bool MakeRequestXml(Zelt::CXMLDocument& document) const;

protected:
    // The request word ("GETINFO", ...).
    virtual std::string_view RequestWord() const = 0;
    // Appends the kind's own parameters to the root, in their order on the wire.
    virtual void AppendOwnParams(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const = 0;

    // Appends <param type="..."> to the root and returns it; the text is left out when empty.
    static Zelt::CXMLNode AppendParam(Zelt::CXMLDocument& document, Zelt::CXMLNode& root,
                                      std::string_view type, std::string_view text);

    // Appends one <param type="..."> for every name that the table gives the value.
    template <typename Table, typename Value>
    static void AppendParamsNaming(Zelt::CXMLDocument& document, Zelt::CXMLNode& root, std::string_view type,
                                   const Table& table, Value value) {
        for (const auto& [name, entry] : table) {
            if (entry == value) {
                AppendParam(document, root, type, name);
            }
        }
    }

private:
    void AppendCommonPart(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const;
    void AppendProcesses(Zelt::CXMLDocument& document, Zelt::CXMLNode& root, const ProcessList& list,
                         std::string_view word) const;
};

} // namespace Korvane
