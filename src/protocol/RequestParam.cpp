#include "protocol/RequestParam.h"

#include "support/XmlDocument.h"
#include "support/XmlError.h"

#include <cstdio>

namespace Korvane {
namespace {

// Three significant digits with the point always shown: 1.0 goes out as "1.00".
std::string VersionText(double dVersion) {
    char text[32];
    std::snprintf(text, sizeof text, "%#.3g", dVersion);
    return text;
}

std::string CommandName(int nCommand) {
    const auto& table = CRequestParamBase::ProcessCommandTable();
    const auto found = table.find(nCommand);
    return found != table.end() ? found->second : std::string();
}

} // namespace

CRequestParam::CRequestParam(std::string strAuthKey, int nWaitMillisec, double dVersion)
    : CRequestParamBase(std::move(strAuthKey), nWaitMillisec, dVersion) {}

bool CRequestParam::MakeRequestXml(Zelt::CXMLDocument& document) const {
    try {
        Zelt::CXMLNode root = document.CreateElement("korvaneRequest");
        root.AppendChild(document.CreateElement("request")).SetText(RequestWord());
        AppendOwnParams(document, root);
        AppendCommonPart(document, root);
        document.SetRootNode(root);
        return true;
    } catch (const Zelt::CXMLError&) {
        return false;
    }
}

Zelt::CXMLNode CRequestParam::AppendParam(Zelt::CXMLDocument& document, Zelt::CXMLNode& root,
                                          std::string_view type, std::string_view text) {
    Zelt::CXMLNode param = root.AppendChild(document.CreateElement("param"));
    param.SetAttributeValue("type", type);
    if (!text.empty()) {
        param.SetText(text);
    }
    return param;
}

void CRequestParam::AppendCommonPart(Zelt::CXMLDocument& document, Zelt::CXMLNode& root) const {
    root.AppendChild(document.CreateElement("auth")).SetText(AuthKey());
    AppendParam(document, root, "waitmillisec", std::to_string(WaitMillisec()));
    root.SetAttributeValue("version", VersionText(Version()));
    AppendProcesses(document, root, PostProcesses(), "postprocess");
    AppendProcesses(document, root, PreProcesses(), "preprocess");
}

void CRequestParam::AppendProcesses(Zelt::CXMLDocument& document, Zelt::CXMLNode& root,
                                    const ProcessList& list, std::string_view word) const {
    int nOrder = 1;
    for (const ProcessEntry& entry : list) {
        Zelt::CXMLNode param = AppendParam(document, root, word, entry.strText);
        // Version 1.0 devices expect the details in a child element; later ones on the param.
        Zelt::CXMLNode holder =
            Version() <= REQUEST_VERSION_1_0 ? param.AppendChild(document.CreateElement(word)) : param;
        holder.SetAttributeValue("command", CommandName(entry.nCommand));
        holder.SetAttributeValue("condition", std::to_string(entry.nCondition));
        holder.SetAttributeValue("order", std::to_string(nOrder++));
    }
}

} // namespace Korvane
