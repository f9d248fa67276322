#include "xml/xml_document.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace veltra {
namespace {

std::string Utf16(const std::u16string& text, bool little_endian) {
    std::string out;
    for (const char16_t unit : text) {
        const char lo = static_cast<char>(unit & 0xFF);
        const char hi = static_cast<char>(unit >> 8);
        out += little_endian ? lo : hi;
        out += little_endian ? hi : lo;
    }
    return out;
}

std::string FirstAttrib(std::string_view bytes) {
    XmlReader xml;
    if (!xml.LoadFromBytes(bytes) || !xml.FindElem("a")) {
        return "<load failed>";
    }
    return xml.GetAttrib("v");
}

TEST(XmlReaderTest, ReadsEveryEncodingAsUtf8) {
    const std::u16string doc16 = u"<?xml version=\"1.0\"?>\r\n<a v=\"配置 Ä\"/>";
    const std::string doc8 = "<?xml version=\"1.0\"?>\r\n<a v=\"配置 Ä\"/>";
    EXPECT_EQ(FirstAttrib(doc8), "配置 Ä");
    EXPECT_EQ(FirstAttrib("\xEF\xBB\xBF" + doc8), "配置 Ä");
    EXPECT_EQ(FirstAttrib("\xFF\xFE" + Utf16(doc16, true)), "配置 Ä");
    EXPECT_EQ(FirstAttrib("\xFE\xFF" + Utf16(doc16, false)), "配置 Ä");
    EXPECT_EQ(FirstAttrib(Utf16(doc16, true)), "配置 Ä");
    EXPECT_EQ(FirstAttrib(Utf16(doc16, false)), "配置 Ä");
}

TEST(XmlReaderTest, ReadsTextThatIsNotUtf8AsWindows1252) {
    // A declared encoding does not matter; the bytes decide.
    EXPECT_EQ(FirstAttrib("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a v=\"Caf\xE9 \x80\"/>"),
              "Café €");
}

TEST(XmlReaderTest, ResolvesReferences) {
    EXPECT_EQ(FirstAttrib("<a v=\"&amp;&lt;&gt;&quot;&apos;&#x4E2D;&#65;\"/>"), "&<>\"'中A");
}

TEST(XmlReaderTest, SiblingSearchContinuesAfterTheElementFoundBefore) {
    XmlReader xml;
    ASSERT_TRUE(xml.LoadFromBytes("<r><a id=\"1\"/><b/><a id=\"2\"/><c/></r>"));
    ASSERT_TRUE(xml.FindElem("r"));
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.FindElem("b"));
    ASSERT_TRUE(xml.FindElem("a"));
    EXPECT_EQ(xml.GetAttrib("id"), "2");  // the first a lies before b
    EXPECT_FALSE(xml.FindElem("b"));
    EXPECT_EQ(xml.GetAttrib("id"), "2");  // a failed search keeps the position
    EXPECT_TRUE(xml.FindElem("c"));
    xml.ResetPos();
    ASSERT_TRUE(xml.FindElem("a"));
    EXPECT_EQ(xml.GetAttrib("id"), "1");
    ASSERT_TRUE(xml.FindElem());
    EXPECT_EQ(xml.GetTagName(), "b");
}

TEST(XmlReaderTest, EntersAndLeavesElements) {
    XmlReader xml;
    ASSERT_TRUE(xml.LoadFromBytes(
        "<r><x n=\"1\"><y n=\"inner\"/></x><x n=\"2\"><!-- note --><y n=\"second\"/></x></r>"));
    EXPECT_FALSE(xml.IntoElem());   // nothing found yet
    EXPECT_FALSE(xml.OutOfElem());  // already at the top
    ASSERT_TRUE(xml.FindElem("r"));
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.FindElem("x"));
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.FindElem("y"));
    EXPECT_EQ(xml.GetAttrib("n"), "inner");
    EXPECT_FALSE(xml.FindElem("x"));  // children only
    ASSERT_TRUE(xml.OutOfElem());
    EXPECT_EQ(xml.GetAttrib("n"), "1");  // back on the element left
    ASSERT_TRUE(xml.FindElem("x"));
    EXPECT_EQ(xml.GetAttrib("n"), "2");
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.FindElem("y"));
    EXPECT_EQ(xml.GetAttrib("n"), "second");
    EXPECT_EQ(xml.GetAttrib("missing"), "");
}

TEST(XmlReaderTest, NamesAreCaseSensitive) {
    XmlReader xml;
    ASSERT_TRUE(xml.LoadFromBytes("<Config Name=\"x\"/>"));
    EXPECT_FALSE(xml.FindElem("config"));
    ASSERT_TRUE(xml.FindElem("Config"));
    EXPECT_EQ(xml.GetAttrib("name"), "");
    EXPECT_EQ(xml.GetAttrib("Name"), "x");
}

TEST(XmlReaderTest, RejectsWhatIsNotAWellFormedDocument) {
    const std::string bad[] = {
        "",
        "   \r\n",
        "<?xml version=\"1.0\"?>",
        "<config><device>",
        "<config><device></config>",
        "<a v=\"unterminated/>",
        std::string("<a>\0</a>", 8),
        "\x89PNG\r\n\x1a\n\0\0\0\rIHDR",
        "plain text, no markup",
        "\xFF\xFE",
    };
    for (const std::string& bytes : bad) {
        XmlReader xml;
        EXPECT_FALSE(xml.LoadFromBytes(bytes)) << bytes;
        EXPECT_FALSE(xml.FindElem());
        EXPECT_EQ(xml.GetAttrib("v"), "");
    }
}

TEST(XmlReaderTest, LoadFailsForMissingFileAndForgetsThePreviousDocument) {
    test::TempDir dir;
    test::WriteFile(dir / "ok.xml", "<a v=\"1\"/>");
    XmlReader xml;
    ASSERT_TRUE(xml.Load(dir / "ok.xml"));
    EXPECT_FALSE(xml.Load(dir / "missing.xml"));
    EXPECT_FALSE(xml.FindElem("a"));
    EXPECT_FALSE(xml.Load(dir.path()));  // a folder
}

TEST(XmlWriterTest, WritesOneElementPerLineWithShortFormForChildless) {
    XmlWriter xml("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    EXPECT_FALSE(xml.AddAttrib("x", "no element yet"));
    xml.AddElem("Root");
    xml.AddAttrib("b", "2");
    xml.AddAttrib("a", 1);
    ASSERT_TRUE(xml.IntoElem());
    xml.AddElem("Empty");
    xml.AddElem("Parent");
    xml.AddAttrib("name", "配置");
    ASSERT_TRUE(xml.IntoElem());
    xml.AddElem("Child");
    ASSERT_TRUE(xml.OutOfElem());
    xml.AddElem("Last");
    ASSERT_TRUE(xml.OutOfElem());
    EXPECT_FALSE(xml.OutOfElem());
    EXPECT_EQ(xml.ToString(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<Root b=\"2\" a=\"1\">\r\n"
              "<Empty/>\r\n"
              "<Parent name=\"配置\">\r\n"
              "<Child/>\r\n"
              "</Parent>\r\n"
              "<Last/>\r\n"
              "</Root>\r\n");
}

TEST(XmlWriterTest, EscapesAttributeValuesSoTheyReadBackUnchanged) {
    const std::string value = "a&b<c>d\"e'f\tg\nh\ri\x01j";
    EXPECT_EQ(EscapeXmlAttribute(value), "a&amp;b&lt;c&gt;d&quot;e'f&#x9;g&#xA;h&#xD;i&#x1;j");
    XmlWriter writer("");
    writer.AddElem("a");
    writer.AddAttrib("v", "a&b<c>d\"e'f\tg\nh\ri");
    XmlReader reader;
    ASSERT_TRUE(reader.LoadFromBytes(writer.ToString()));
    ASSERT_TRUE(reader.FindElem("a"));
    EXPECT_EQ(reader.GetAttrib("v"), "a&b<c>d\"e'f\tg\nh\ri");
}

TEST(XmlWriterTest, ReplacesMalformedUtf8InValues) {
    EXPECT_EQ(EscapeXmlAttribute("ok\xFF"), "ok\xEF\xBF\xBD");
}

TEST(XmlWriterTest, SavesUtf8WithoutByteOrderMarkReplacingTheFile) {
    test::TempDir dir;
    const auto path = dir / "out.xml";
    test::WriteFile(path, "old contents that are longer than the new ones");
    XmlWriter xml("<?xml version=\"1.0\"?>");
    xml.AddElem("a");
    xml.AddAttrib("v", "Ä");
    ASSERT_TRUE(xml.Save(path));
    EXPECT_EQ(test::ReadFile(path), "<?xml version=\"1.0\"?>\r\n<a v=\"Ä\"/>\r\n");
    EXPECT_FALSE(xml.Save(dir / "no-such-folder" / "out.xml"));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u);  // no temporary file left behind
}

}  // namespace
}  // namespace veltra
