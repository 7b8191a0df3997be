// The device side of the request documents: what a device answers to each request word.

#include "Codec.h"
#include "Farm.h"

#include <cstdio>
#include <ctime>

namespace KorvaneSim {
namespace {

const char kAuthorizationFailed[] = "00000004";
const char kNotAuthorized[] = "00000003";
const char kBusy[] = "00000006";
const char kUnknownRequest[] = "00000001";
const char kBadParameter[] = "00000002";
// Keys a device keeps at once: a client that authorizes per request must not invalidate another
// client's key, yet the list must not grow for ever.
constexpr std::size_t kAuthKeyLimit = 64;

xmlNode* AddChild(xmlNode* parent, const char* name, const std::string& text = std::string()) {
    xmlNode* child = xmlNewChild(parent, nullptr, reinterpret_cast<const xmlChar*>(name), nullptr);
    if (!text.empty()) {
        SetNodeText(child, text);
    }
    return child;
}

// The "param" children of the request root with the given type attribute.
std::vector<xmlNode*> Params(xmlNode* root, const char* type) {
    std::vector<xmlNode*> params;
    for (xmlNode* child = root->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && NodeName(child) == "param" &&
            Attribute(child, "type") == type) {
            params.push_back(child);
        }
    }
    return params;
}

std::string ParamText(xmlNode* root, const char* type) {
    const std::vector<xmlNode*> params = Params(root, type);
    return params.empty() ? std::string() : NodeText(params.front());
}

xmlNode* FirstElementChild(xmlNode* node) {
    for (xmlNode* child = node->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            return child;
        }
    }
    return nullptr;
}

std::vector<xmlNode*> ElementChildren(xmlNode* node) {
    std::vector<xmlNode*> children;
    for (xmlNode* child = node->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            children.push_back(child);
        }
    }
    return children;
}

xmlNode* ChildNamed(xmlNode* parent, std::string_view name) {
    for (xmlNode* child : ElementChildren(parent)) {
        if (NodeName(child) == name) {
            return child;
        }
    }
    return nullptr;
}

void ReplaceWithCopy(xmlDoc* doc, xmlNode* target, xmlNode* source) {
    xmlNode* copy = xmlDocCopyNode(source, doc, 1);
    xmlReplaceNode(target, copy);
    xmlFreeNode(target);
}

void PutOrAppend(xmlDoc* doc, xmlNode* parent, xmlNode* source) {
    if (xmlNode* existing = ChildNamed(parent, NodeName(source))) {
        ReplaceWithCopy(doc, existing, source);
    } else {
        xmlAddChild(parent, xmlDocCopyNode(source, doc, 1));
    }
}

// SETINFO: the element sent replaces the element of the same name and path. A chain of single
// elements is followed down ("korvaneinfo/system/eco" replaces system/eco as a whole); a document
// root with several children replaces each of its top-level elements.
void ApplyInfoNode(xmlDoc* doc, xmlNode* node) {
    xmlNode* target = xmlDocGetRootElement(doc);
    xmlNode* source = node;
    if (NodeName(node) != "korvaneinfo") {
        PutOrAppend(doc, target, node);
        return;
    }
    for (;;) {
        const std::vector<xmlNode*> children = ElementChildren(source);
        if (children.size() != 1) {
            break;
        }
        xmlNode* child = children.front();
        xmlNode* existing = ChildNamed(target, NodeName(child));
        if (existing == nullptr || ElementChildren(child).empty()) {
            PutOrAppend(doc, target, child);
            return;
        }
        source = child;
        target = existing;
    }
    if (target == xmlDocGetRootElement(doc)) {
        for (xmlNode* child : ElementChildren(source)) {
            PutOrAppend(doc, target, child);
        }
    } else {
        ReplaceWithCopy(doc, target, source);
    }
}

std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return text;
}

// Stamps the information time, as a device does when it answers.
void StampUpdateTime(xmlDoc* doc) {
    const std::string now = Now();
    for (const char* xpath : {"@update", "statusinfo/status/@update"}) {
        std::vector<xmlNode*> nodes;
        std::string error;
        if (SelectNodes(doc, nullptr, xpath, nodes, error)) {
            for (xmlNode* node : nodes) {
                SetNodeText(node, now);
            }
        }
    }
}

// The part of the device's document that the categories select, as a "korvaneinfo" element.
xmlNode* CopyCategories(xmlDoc* source, const CategoryRule& rule, xmlDoc* target, xmlNode* parent) {
    xmlNode* root = xmlDocGetRootElement(source);
    xmlNode* info = xmlDocCopyNode(root, target, 2); // attributes, no children
    xmlAddChild(parent, info);
    for (xmlNode* child : ElementChildren(root)) {
        const std::string name(NodeName(child));
        if (rule.all || rule.wholeElements.count(name) != 0) {
            xmlAddChild(info, xmlDocCopyNode(child, target, 1));
            continue;
        }
        auto part = rule.parts.find(name);
        if (part == rule.parts.end()) {
            continue;
        }
        xmlNode* partial = xmlDocCopyNode(child, target, 2);
        xmlAddChild(info, partial);
        for (xmlNode* grandchild : ElementChildren(child)) {
            if (part->second.count(std::string(NodeName(grandchild))) != 0) {
                xmlAddChild(partial, xmlDocCopyNode(grandchild, target, 1));
            }
        }
    }
    return info;
}

// What the knobs pad-bytes and mac-per-request make of an information answer: filler text in an
// element of its own, and a MAC never reported before by any device of the simulator (a locally
// administered one: 0E, the device's index in two bytes, then a serial number).
void ApplyInfoKnobs(Device& device, xmlNode* info) {
    if (device.knobs.padBytes > 0) {
        AddChild(info, "padding", std::string(static_cast<std::size_t>(device.knobs.padBytes), 'x'));
    }
    if (!device.knobs.macPerRequest) {
        return;
    }
    const unsigned serial = ++device.macsReported;
    char mac[18];
    std::snprintf(mac, sizeof mac, "0E:%02X:%02X:%02X:%02X:%02X", (device.index >> 8) & 0xFF,
                  device.index & 0xFF, (serial >> 16) & 0xFF, (serial >> 8) & 0xFF, serial & 0xFF);
    std::vector<xmlNode*> nodes;
    std::string error;
    SelectNodes(info->doc, info, "network/tcpip/lan/mac", nodes, error);
    for (xmlNode* node : nodes) {
        SetNodeText(node, mac);
    }
}

bool KeyIsValid(const Device& device, const std::string& key) {
    if (key.empty()) {
        return false;
    }
    for (const std::string& known : device.authKeys) {
        if (known == key) {
            return true;
        }
    }
    return false;
}

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

std::string ResponseDocument(const char* result, const std::function<void(xmlNode* response)>& fill) {
    XmlDocPtr doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
    xmlNode* root = xmlNewNode(nullptr, reinterpret_cast<const xmlChar*>("korvaneResponse"));
    xmlDocSetRootElement(doc.get(), root);
    AddChild(root, "result", result);
    xmlNode* response = AddChild(root, "response");
    if (fill) {
        fill(response);
    }
    return SerializeDocument(doc.get());
}

std::string ErrorDocument(const std::string& code) {
    return ResponseDocument("NG", [&](xmlNode* response) { AddChild(response, "errorparam", code); });
}

Reply Farm::HandleRequest(Device& device, xmlDoc* request, const std::string& word,
                          const FirmwareRecord* image) {
    Reply reply;
    auto fail = [&](const std::string& code) {
        reply.document = ErrorDocument(code);
        return reply;
    };
    if (device.knobs.FaultsApplyTo(word)) {
        if (!device.knobs.error.empty()) {
            return fail(device.knobs.error);
        }
        if (device.knobs.busy) {
            return fail(kBusy);
        }
    }
    xmlNode* root = xmlDocGetRootElement(request);
    const std::string key = Trim(ChildText(root, "auth"));

    if (word == "AUTHORIZATION") {
        if (ParamText(root, "user") != "admin" || ParamText(root, "passwd") != device.password) {
            return fail(kAuthorizationFailed);
        }
        const std::string newKey = RandomHex(16);
        device.authKeys.push_back(newKey);
        if (device.authKeys.size() > kAuthKeyLimit) {
            device.authKeys.pop_front();
        }
        reply.ok = true;
        reply.document =
            ResponseDocument("OK", [&](xmlNode* response) { AddChild(response, "authkey", newKey); });
        return reply;
    }

    if (word == "GETINFO") {
        CategoryRule rule;
        bool needsKey = false;
        const std::vector<xmlNode*> categories = Params(root, "category");
        for (xmlNode* param : categories) {
            const std::string name = Trim(NodeText(param));
            const CategoryRule* category = models_.Category(name);
            if (category == nullptr) {
                return fail(kBadParameter);
            }
            rule.Merge(*category);
            needsKey = needsKey || name != "KORVANE_ADMIN_SIMPLE";
        }
        // Without any category the request is not the simple one, so it needs a key as well.
        if ((needsKey || categories.empty()) && !KeyIsValid(device, key)) {
            return fail(kNotAuthorized);
        }
        StampUpdateTime(device.doc.get());
        reply.ok = true;
        reply.document = ResponseDocument("OK", [&](xmlNode* response) {
            ApplyInfoKnobs(device, CopyCategories(device.doc.get(), rule, response->doc, response));
        });
        return reply;
    }

    if (!KeyIsValid(device, key)) {
        return fail(kNotAuthorized);
    }

    if (word == "SETINFO") {
        const std::vector<xmlNode*> infonodes = Params(root, "infonode");
        xmlNode* element = infonodes.empty() ? nullptr : FirstElementChild(infonodes.front());
        if (element == nullptr) {
            return fail(kBadParameter);
        }
        ApplyInfoNode(device.doc.get(), element);
        for (xmlNode* param : Params(root, "postprocess")) {
            // Version 1.0 puts the command on a child element, later versions on the param itself.
            xmlNode* process = ChildNamed(param, "postprocess");
            const std::string command = Attribute(process != nullptr ? process : param, "command");
            if (command == "SHUTDOWN") {
                reply.post = PostAction::PowerOff;
            } else if (command == "REBOOT") {
                reply.post = PostAction::Reboot;
            }
        }
    } else if (word == "MELODY") {
        const std::string command = Trim(ParamText(root, "command"));
        if (command != "on" && command != "off") {
            return fail(kBadParameter);
        }
        device.melody = command == "on";
    } else if (word == "REBOOT") {
        reply.post = PostAction::Reboot;
    } else if (word == "POWEROFF") {
        reply.post = PostAction::PowerOff;
    } else if (word == "FWUPDATE") {
        if (image == nullptr) {
            return fail(kBadParameter);
        }
        device.lastImage = *image;
    } else {
        return fail(kUnknownRequest);
    }
    reply.ok = true;
    reply.document = ResponseDocument("OK");
    return reply;
}

} // namespace KorvaneSim
