#pragma once

// Numbers of the configuration and description files: strtol-like conversions that stop at the
// first invalid character, saturated to int as the 32-bit conversions of the file format do.

#include <string_view>

namespace veltra {

class XmlReader;

int SaturateToInt(long value);

// Decimal and hexadecimal attribute values of the element at the reader's position; a missing
// or empty attribute gives 0.
int DecimalAttrib(const XmlReader& xml, std::string_view name);
int HexAttrib(const XmlReader& xml, std::string_view name);

}  // namespace veltra
