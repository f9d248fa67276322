#include "config/xml_values.h"

#include <climits>

#include "common/text.h"
#include "xml/xml_document.h"

namespace veltra {

int SaturateToInt(long value) {
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

int DecimalAttrib(const XmlReader& xml, std::string_view name) {
    return SaturateToInt(ParseDecimal(xml.GetAttrib(name)));
}

int HexAttrib(const XmlReader& xml, std::string_view name) {
    return SaturateToInt(ParseHex(xml.GetAttrib(name)));
}

}  // namespace veltra
