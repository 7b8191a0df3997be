#pragma once

#include <stdexcept>

namespace Zelt {

// The one exception of the XML layer; its message names the failed operation ("... Error!\n").
class CXMLError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

} // namespace Zelt
