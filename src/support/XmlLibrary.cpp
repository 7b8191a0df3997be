#include "support/XmlLibrary.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>

namespace Zelt {
namespace {

void DiscardGenericError(void*, const char*, ...) {}
void DiscardStructuredError(void*, xmlErrorPtr) {}

struct CompiledExpressionDeleter {
    void operator()(xmlXPathCompExprPtr expression) const { xmlXPathFreeCompExpr(expression); }
};
using CompiledExpression = std::unique_ptr<xmlXPathCompExpr, CompiledExpressionDeleter>;

struct ContextDeleter {
    void operator()(xmlXPathContextPtr context) const { xmlXPathFreeContext(context); }
};

// Bounds the per-thread cache: callers that build expressions from data (a group name, say)
// must not grow it without limit.
constexpr size_t kMaxCachedExpressions = 512;

xmlXPathContextPtr ThreadContext() {
    thread_local std::unique_ptr<xmlXPathContext, ContextDeleter> context;
    if (context == nullptr) {
        context.reset(xmlXPathNewContext(nullptr));
        if (context != nullptr) {
            context->error = DiscardStructuredError;
        }
    }
    return context.get();
}

// Compiles without a document.
CompiledExpression Compile(const std::string& expression) {
    xmlXPathContextPtr context = CXmlLibrary::XPathContextFor(nullptr);
    if (context == nullptr) {
        return nullptr;
    }
    return CompiledExpression(
        xmlXPathCtxtCompile(context, reinterpret_cast<const xmlChar*>(expression.c_str())));
}

} // namespace

void CXmlLibrary::EnsureInitialized() {
    static std::once_flag processOnce;
    std::call_once(processOnce, [] {
        xmlInitParser();
        xmlThrDefSetGenericErrorFunc(nullptr, DiscardGenericError);
        xmlThrDefSetStructuredErrorFunc(nullptr, DiscardStructuredError);
    });
    thread_local bool threadReady = false;
    if (!threadReady) {
        xmlSetGenericErrorFunc(nullptr, DiscardGenericError);
        xmlSetStructuredErrorFunc(nullptr, DiscardStructuredError);
        threadReady = true;
    }
}

_xmlXPathCompExpr* CXmlLibrary::CompiledXPath(std::string_view expression) {
    thread_local std::map<std::string, CompiledExpression, std::less<>> cache;
    if (auto found = cache.find(expression); found != cache.end()) {
        return found->second.get();
    }
    if (cache.size() >= kMaxCachedExpressions) {
        cache.clear();
    }
    std::string text(expression);
    if (text.find('\0') != std::string::npos) {
        return nullptr;
    }
    CompiledExpression compiled = Compile(text);
    xmlXPathCompExprPtr result = compiled.get();
    if (result != nullptr) {
        cache.emplace(std::move(text), std::move(compiled));
    }
    return result;
}

xmlXPathContextPtr CXmlLibrary::XPathContextFor(xmlDocPtr document) {
    xmlXPathContextPtr context = ThreadContext();
    if (context != nullptr) {
        context->doc = document;
        context->node = nullptr;
    }
    return context;
}

} // namespace Zelt
