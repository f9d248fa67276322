#pragma once

// The XML document facility: reading whatever the text encoding, with a cursor that walks
// siblings in document order, and writing in the one layout the program's files use.
//
// Reading: every text arrives as UTF-8. The cursor has a current level (at first the document
// itself) and a position in it. FindElem searches the siblings of the current level after the
// position and moves the position to the element found; a failed search leaves the position
// where it was. IntoElem makes the found element the current level, OutOfElem returns to its
// parent level with the position on the element that was left.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veltra {

// Decodes file bytes into UTF-8: a byte-order mark decides (UTF-8, UTF-16 LE or BE); without one,
// UTF-16 is recognised by a zero byte in the first pair, valid UTF-8 is kept as it is and
// anything else is read as Windows-1252.
std::string DecodeTextFile(std::string_view bytes);

class XmlReader {
  public:
    XmlReader();
    ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    // False when the file is missing, unreadable or not a well-formed document with a root
    // element; the reader is then empty and every search fails.
    bool Load(const std::filesystem::path& path);
    bool LoadFromBytes(std::string_view bytes);

    // Finds the next sibling element named `name` (any element when empty) after the position.
    bool FindElem(std::string_view name = {});
    bool IntoElem();
    bool OutOfElem();
    // Searches of the current level start again from its first element.
    void ResetPos();

    // Of the element at the position; empty when there is none or the attribute is missing.
    std::string GetAttrib(std::string_view name) const;
    std::string GetTagName() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

class XmlWriter {
  public:
    // The declaration is written as the first line, unchanged (nothing when empty).
    explicit XmlWriter(std::string declaration);

    // Adds an element after the last one added at the current level.
    void AddElem(std::string_view name);
    // Adds an attribute to the element added last; attributes keep the order of the calls.
    // False when no element has been added at the current level yet.
    bool AddAttrib(std::string_view name, std::string_view value);
    bool AddAttrib(std::string_view name, long long value);
    // Makes the element added last the current level, so that AddElem adds its children.
    bool IntoElem();
    bool OutOfElem();

    // One element per line, CR LF line ends, no indentation, "/>" for childless elements.
    std::string ToString() const;
    // UTF-8 without byte-order mark, replacing the file atomically.
    bool Save(const std::filesystem::path& path) const;

  private:
    struct Node {
        std::string name;
        std::vector<std::pair<std::string, std::string>> attributes;
        std::vector<std::size_t> children;
    };

    void Write(std::string& out, std::size_t index) const;

    std::string declaration_;
    std::vector<Node> nodes_;             // nodes_[0] is the document
    std::vector<std::size_t> levels_{0};  // the current level is levels_.back()
};

// Attribute-value escaping of the writer: & < > " and control characters become references.
std::string EscapeXmlAttribute(std::string_view value);

}  // namespace veltra
