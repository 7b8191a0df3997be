#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace Zelt {

// Base of the text converters: keeps the last source and result so callers can read either back.
class CConvBaseStr {
public:
    virtual ~CConvBaseStr() = default;

    // Converts strSource; strKey matters only to the keyed converters. Returns the stored result.
    const std::string& Convert(std::string_view strSource, std::string_view strKey = {}) {
        // Convert before storing: either argument may view this object's own texts.
        std::string strResult = ConvertText(strSource, strKey);
        m_strSource = strSource;
        m_strResult = std::move(strResult);
        return m_strResult;
    }

    const std::string& GetSource() const { return m_strSource; }
    const std::string& GetResult() const { return m_strResult; }
    // Ends at the first zero byte of the result, as C text does.
    const char* GetResultCStr() const { return m_strResult.c_str(); }

private:
    virtual std::string ConvertText(std::string_view strSource, std::string_view strKey) const = 0;

    std::string m_strSource;
    std::string m_strResult;
};

} // namespace Zelt
