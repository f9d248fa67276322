// Loads arbitrary bytes as an XML document and walks every element the cursor can reach.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "xml/xml_document.h"

namespace {

void Walk(veltra::XmlReader& xml, int depth) {
    while (xml.FindElem()) {
        xml.GetAttrib("name");
        xml.GetAttrib(xml.GetTagName());
        if (depth < 64 && xml.IntoElem()) {
            Walk(xml, depth + 1);
            xml.OutOfElem();
        }
    }
    xml.ResetPos();
    xml.FindElem("config");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    veltra::XmlReader xml;
    if (xml.LoadFromBytes(bytes)) {
        Walk(xml, 0);
    }
    veltra::XmlWriter writer("<?xml version=\"1.0\"?>");
    writer.AddElem("a");
    writer.AddAttrib("v", bytes.substr(0, 256));
    veltra::XmlReader back;
    if (!back.LoadFromBytes(writer.ToString()) || !back.FindElem("a")) {
        __builtin_trap();  // what the writer produces must always read back
    }
    return 0;
}
