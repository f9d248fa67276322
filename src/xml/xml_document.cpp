#include "xml/xml_document.h"

#include <pugixml.hpp>

#include <cstdio>

#include "common/file_io.h"
#include "common/text.h"

namespace veltra {
namespace {

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string DecodeTextFile(std::string_view bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        return SanitizeUtf8(bytes.substr(3));
    }
    if (StartsWith(bytes, "\xFF\xFE")) {
        return Utf16BytesToUtf8(bytes.substr(2), true);
    }
    if (StartsWith(bytes, "\xFE\xFF")) {
        return Utf16BytesToUtf8(bytes.substr(2), false);
    }
    if (bytes.size() >= 2) {
        // Text never holds a zero byte, so one in the first pair means 16-bit units.
        const bool zero0 = bytes[0] == '\0';
        const bool zero1 = bytes[1] == '\0';
        if (zero1 && !zero0) {
            return Utf16BytesToUtf8(bytes, true);
        }
        if (zero0 && !zero1) {
            return Utf16BytesToUtf8(bytes, false);
        }
    }
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    return Windows1252ToUtf8(bytes);
}

struct XmlReader::State {
    pugi::xml_document doc;
    pugi::xml_node level;
    pugi::xml_node pos;
};

XmlReader::XmlReader() : state_(std::make_unique<State>()) {}
XmlReader::~XmlReader() = default;

bool XmlReader::Load(const std::filesystem::path& path) {
    const auto bytes = ReadWholeFile(path);
    if (!bytes) {
        state_->doc.reset();
        state_->level = state_->doc;
        state_->pos = pugi::xml_node();
        return false;
    }
    return LoadFromBytes(*bytes);
}

bool XmlReader::LoadFromBytes(std::string_view bytes) {
    State& s = *state_;
    s.doc.reset();
    s.level = s.doc;
    s.pos = pugi::xml_node();
    const std::string text = DecodeTextFile(bytes);
    // A zero character is never legal XML; it also marks binary data.
    if (text.find('\0') != std::string::npos) {
        return false;
    }
    const pugi::xml_parse_result result =
        s.doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result || !s.doc.document_element()) {
        s.doc.reset();
        return false;
    }
    return true;
}

bool XmlReader::FindElem(std::string_view name) {
    State& s = *state_;
    pugi::xml_node node = s.pos ? s.pos.next_sibling() : s.level.first_child();
    for (; node; node = node.next_sibling()) {
        if (node.type() == pugi::node_element && (name.empty() || name == node.name())) {
            s.pos = node;
            return true;
        }
    }
    return false;
}

bool XmlReader::IntoElem() {
    State& s = *state_;
    if (!s.pos) {
        return false;
    }
    s.level = s.pos;
    s.pos = pugi::xml_node();
    return true;
}

bool XmlReader::OutOfElem() {
    State& s = *state_;
    if (s.level == s.doc) {
        return false;
    }
    s.pos = s.level;
    s.level = s.level.parent();
    return true;
}

void XmlReader::ResetPos() {
    state_->pos = pugi::xml_node();
}

std::string XmlReader::GetAttrib(std::string_view name) const {
    const State& s = *state_;
    if (!s.pos) {
        return {};
    }
    for (const pugi::xml_attribute attribute : s.pos.attributes()) {
        if (name == attribute.name()) {
            return attribute.value();
        }
    }
    return {};
}

std::string XmlReader::GetTagName() const {
    return state_->pos ? std::string(state_->pos.name()) : std::string();
}

std::string EscapeXmlAttribute(std::string_view value) {
    const std::string text = SanitizeUtf8(value);
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char ref[8];
                    std::snprintf(ref, sizeof ref, "&#x%X;", static_cast<unsigned>(c));
                    out += ref;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

XmlWriter::XmlWriter(std::string declaration) : declaration_(std::move(declaration)) {
    nodes_.emplace_back();
}

void XmlWriter::AddElem(std::string_view name) {
    nodes_.push_back(Node{std::string(name), {}, {}});
    nodes_[levels_.back()].children.push_back(nodes_.size() - 1);
}

bool XmlWriter::AddAttrib(std::string_view name, std::string_view value) {
    const Node& level = nodes_[levels_.back()];
    if (level.children.empty()) {
        return false;
    }
    nodes_[level.children.back()].attributes.emplace_back(name, value);
    return true;
}

bool XmlWriter::AddAttrib(std::string_view name, long long value) {
    return AddAttrib(name, std::to_string(value));
}

bool XmlWriter::IntoElem() {
    const Node& level = nodes_[levels_.back()];
    if (level.children.empty()) {
        return false;
    }
    levels_.push_back(level.children.back());
    return true;
}

bool XmlWriter::OutOfElem() {
    if (levels_.size() == 1) {
        return false;
    }
    levels_.pop_back();
    return true;
}

void XmlWriter::Write(std::string& out, std::size_t index) const {
    const Node& node = nodes_[index];
    out += '<';
    out += node.name;
    for (const auto& [name, value] : node.attributes) {
        out += ' ';
        out += name;
        out += "=\"";
        out += EscapeXmlAttribute(value);
        out += '"';
    }
    if (node.children.empty()) {
        out += "/>\r\n";
        return;
    }
    out += ">\r\n";
    for (const std::size_t child : node.children) {
        Write(out, child);
    }
    out += "</";
    out += node.name;
    out += ">\r\n";
}

std::string XmlWriter::ToString() const {
    std::string out;
    if (!declaration_.empty()) {
        out += declaration_;
        out += "\r\n";
    }
    for (const std::size_t child : nodes_[0].children) {
        Write(out, child);
    }
    return out;
}

bool XmlWriter::Save(const std::filesystem::path& path) const {
    return WriteFileAtomically(path, ToString());
}

}  // namespace veltra
