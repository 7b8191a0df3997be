// The desktop program's assets: the pictures of res/korvane.qrc, the user manual of each language and
// the tool that renders it.
#include "admin/ManualFile.h"
#include "common/ProcessRun.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace Zelt {
// Names the language in the test's name ("ja", "en").
void PrintTo(Language language, std::ostream* os) {
    *os << CLanguage::Code(language);
}
} // namespace Zelt

namespace {

fs::path SourceDir() {
    const char* sourceDir = std::getenv("KORVANE_SOURCE_DIR");
    return sourceDir != nullptr ? fs::path(sourceDir) : fs::path();
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file entries of a Qt resource file, as written ("images/korvane.svg"), or a failure text.
struct ResourceList {
    std::vector<std::string> files;
    std::string error;
};

ResourceList ReadResourceList(const fs::path& qrc) {
    ResourceList list;
    QFile file(QString::fromStdString(qrc.string()));
    if (!file.open(QIODevice::ReadOnly)) {
        list.error = "cannot open " + qrc.string();
        return list;
    }
    QXmlStreamReader xml(&file);
    QString prefix;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == QLatin1String("qresource")) {
            // rcc reads a missing prefix as "/".
            prefix = xml.attributes().value(QLatin1String("prefix")).toString();
            if (prefix.isEmpty()) {
                prefix = QStringLiteral("/");
            }
        } else if (xml.name() == QLatin1String("file")) {
            if (prefix != QLatin1String("/")) {
                list.error = "a file outside the prefix \"/\": the program loads \":/images/...\"";
                return list;
            }
            list.files.push_back(xml.readElementText().trimmed().toStdString());
        } else if (xml.name() != QLatin1String("RCC")) {
            list.error = "unexpected element " + xml.name().toString().toStdString();
            return list;
        }
    }
    if (xml.hasError()) {
        list.error = "not well-formed: " + xml.errorString().toStdString();
    }
    return list;
}

// What the tests need of an SVG document: its root, the viewBox size, ids and the ids it refers to.
struct SvgFacts {
    std::string error;
    bool svgRoot = false;
    double width = 0;
    double height = 0;
    std::set<std::string> ids;
    std::set<std::string> references;
};

SvgFacts ReadSvg(const fs::path& path) {
    SvgFacts facts;
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly)) {
        facts.error = "cannot open";
        return facts;
    }
    static const QRegularExpression urlReference(QStringLiteral("url\\(#([^)]+)\\)"));
    QXmlStreamReader xml(&file);
    bool first = true;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        if (first) {
            first = false;
            facts.svgRoot = xml.name() == QLatin1String("svg") &&
                            xml.namespaceUri() == QLatin1String("http://www.w3.org/2000/svg");
            const QStringList box =
                attributes.value(QLatin1String("viewBox")).toString().split(' ', Qt::SkipEmptyParts);
            if (box.size() == 4) {
                facts.width = box[2].toDouble();
                facts.height = box[3].toDouble();
            }
        }
        for (const QXmlStreamAttribute& attribute : attributes) {
            if (attribute.name() == QLatin1String("id")) {
                facts.ids.insert(attribute.value().toString().toStdString());
            }
            const QString value = attribute.value().toString();
            for (auto it = urlReference.globalMatch(value); it.hasNext();) {
                facts.references.insert(it.next().captured(1).toStdString());
            }
            if (attribute.name() == QLatin1String("href") && value.startsWith('#')) {
                facts.references.insert(value.mid(1).toStdString());
            }
        }
    }
    if (xml.hasError()) {
        facts.error = "not well-formed: " + xml.errorString().toStdString();
    }
    return facts;
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = SourceDir();
        ASSERT_FALSE(m_root.empty())
            << "KORVANE_SOURCE_DIR is not set; run this test through ctest, which sets it to the source tree";
        m_list = ReadResourceList(m_root / "res/korvane.qrc");
        ASSERT_EQ(m_list.error, "");
        ASSERT_FALSE(m_list.files.empty()) << "res/korvane.qrc lists no file";
    }

    fs::path m_root;
    ResourceList m_list;
};

TEST_F(Resources, EveryListedPictureIsAnSvgDocumentWhoseReferencesResolve) {
    for (const std::string& name : m_list.files) {
        SCOPED_TRACE(name);
        const fs::path path = m_root / "res" / name;
        ASSERT_TRUE(fs::is_regular_file(path)) << path << " is listed but missing";
        const SvgFacts svg = ReadSvg(path);
        EXPECT_EQ(svg.error, "");
        EXPECT_TRUE(svg.svgRoot) << "the root element is not an SVG <svg>";
        EXPECT_GT(svg.width, 0) << "no usable viewBox";
        EXPECT_GT(svg.height, 0) << "no usable viewBox";
        // A reference to a gradient that is not there paints nothing, or black.
        for (const std::string& reference : svg.references) {
            EXPECT_TRUE(svg.ids.count(reference) == 1)
                << "refers to #" << reference << ", which is not defined";
        }
    }
}

TEST_F(Resources, EveryPictureTheProgramLoadsIsListed) {
    const std::set<std::string> listed(m_list.files.begin(), m_list.files.end());
    const std::regex reference(R"re(":/(images/[A-Za-z0-9_.-]+)")re");
    std::size_t referencesFound = 0;
    const fs::path src = m_root / "src";
    ASSERT_TRUE(fs::is_directory(src)) << src;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(src)) {
        const fs::path& path = entry.path();
        if (!entry.is_regular_file() || (path.extension() != ".h" && path.extension() != ".cpp")) {
            continue;
        }
        const std::string text = ReadFile(path);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), reference);
             it != std::sregex_iterator(); ++it) {
            ++referencesFound;
            EXPECT_TRUE(listed.count((*it)[1].str()) == 1)
                << path << " loads \":/" << (*it)[1].str() << "\", which res/korvane.qrc does not list";
        }
    }
    // The program shows pictures; finding none means the scan looked in the wrong place.
    EXPECT_GT(referencesFound, 0U) << "no \":/images/...\" reference found under " << src;
}

TEST_F(Resources, IconsAreSquareAndTheLogoHasTheBandProportions) {
    for (const char* icon : {"korvane.svg", "state-normal.svg", "find.svg", "add.svg", "update.svg"}) {
        SCOPED_TRACE(icon);
        const SvgFacts svg = ReadSvg(m_root / "res/images" / icon);
        ASSERT_EQ(svg.error, "");
        EXPECT_GT(svg.width, 0);
        EXPECT_DOUBLE_EQ(svg.width, svg.height);
    }
    // The band draws the logo into 270 x 45 (times the display scale): another ratio would distort it.
    const SvgFacts logo = ReadSvg(m_root / "res/images/logo.svg");
    ASSERT_EQ(logo.error, "");
    ASSERT_GT(logo.height, 0);
    EXPECT_DOUBLE_EQ(logo.width / logo.height, 270.0 / 45.0);
}

// Counts "/Type /Page" objects, not "/Type /Pages".
int PdfPageCount(const std::string& pdf) {
    const std::regex page(R"(/Type\s*/Page(?![A-Za-z]))");
    return static_cast<int>(
        std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

// A text as a PDF text string the way Qt writes one: in parentheses, UTF-16BE after a byte order
// mark, with the bytes "(", ")" and backslash escaped.
std::string PdfTextString(const std::string& utf8) {
    std::string string = "(\xFE\xFF";
    for (const QChar unit : QString::fromStdString(utf8)) {
        for (const char byte :
             {static_cast<char>(unit.unicode() >> 8), static_cast<char>(unit.unicode() & 0xFF)}) {
            if (byte == '(' || byte == ')' || byte == '\\') {
                string += '\\';
            }
            string += byte;
        }
    }
    return string + ")";
}

// The manual of a language: its PDF under the name the help menu opens, and its source.
class Manual : public ::testing::TestWithParam<Zelt::Language> {
protected:
    static fs::path Pdf() {
        return fs::path(KORVANE_MANUAL_DIR) / Korvane::CManualFile::FileName(GetParam());
    }
    // KorvaneAdmin.md, KorvaneAdmin.en.md
    static fs::path Source() {
        return SourceDir() / "res/manual" / Pdf().filename().replace_extension(".md");
    }
};

TEST_P(Manual, PdfIsCompleteOfTwoToFourPagesTitledByItsSourceWithAnEmbeddedCjkFont) {
    ASSERT_TRUE(fs::is_regular_file(Pdf())) << Pdf() << " was not generated (target korvane_manual)";
    const std::string pdf = ReadFile(Pdf());
    ASSERT_GT(pdf.size(), 10000U) << "too small to hold the manual";
    EXPECT_EQ(pdf.compare(0, 5, "%PDF-"), 0) << "no PDF header";
    EXPECT_NE(pdf.find("%%EOF", pdf.size() - 64), std::string::npos) << "the file is cut short";
    const int pages = PdfPageCount(pdf);
    EXPECT_GE(pages, 2);
    EXPECT_LE(pages, 4);
    // Rendered from the source of its language: the title is the source's first heading.
    const std::string source = ReadFile(Source());
    ASSERT_EQ(source.compare(0, 2, "# "), 0) << Source() << " does not start with its title";
    const std::string title = source.substr(2, source.find('\n') - 2);
    EXPECT_NE(pdf.find("/Title " + PdfTextString(title)), std::string::npos) << "not titled " << title;
    // Both languages are set in a CJK font (it holds the Latin letters too), embedded so that any
    // viewer shows it; the tool refuses text whose characters that font lacks.
    EXPECT_TRUE(std::regex_search(pdf, std::regex(R"(/BaseFont\s*/[A-Z]*\+?[A-Za-z-]*CJK)")))
        << "no CJK font in the manual";
    EXPECT_NE(pdf.find("/FontFile"), std::string::npos) << "the fonts are not embedded";
}

// The installed program finds its manual under the prefix's doc folder; a copy beside the binary
// (a build tree) wins, and something other than a file there does not hide the installed one.
TEST_P(Manual, IsFoundBesideTheBinaryFirstThenInTheInstalledDocFolder) {
    const fs::path prefix = fs::temp_directory_path() / ("korvane-manual-prefix-" + std::to_string(getpid()));
    fs::remove_all(prefix);
    const fs::path bin = prefix / "bin";
    const fs::path beside = bin / Pdf().filename();
    const fs::path installed = prefix / "share/doc/korvane-admin" / Pdf().filename();
    fs::create_directories(bin);
    fs::create_directories(installed.parent_path());
    const auto located = [&bin] { return fs::path(Korvane::CManualFile::Locate(bin.string(), GetParam())); };

    EXPECT_EQ(located(), beside) << "neither exists: the message names the first place";
    std::ofstream(installed) << "installed";
    EXPECT_EQ(located(), installed);
    fs::create_directory(beside);
    EXPECT_EQ(located(), installed) << "a folder in the manual's place is no manual";
    fs::remove(beside);
    std::ofstream(beside) << "beside";
    EXPECT_EQ(located(), beside);
    fs::remove_all(prefix);
}

INSTANTIATE_TEST_SUITE_P(Languages, Manual,
                         ::testing::Values(Zelt::Language::Japanese, Zelt::Language::English),
                         [](const ::testing::TestParamInfo<Zelt::Language>& info) {
                             return std::string(Zelt::CLanguage::Code(info.param));
                         });

// A manual that would show empty boxes, or has no title for the PDF and the footer, fails the build.
TEST(ManualTool, RefusesASourceWithoutTitleOrWithCharactersItsFontLacks) {
    const fs::path folder =
        fs::temp_directory_path() / ("korvane-make-manual-test-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const struct {
        const char* markdown;
        const char* reason;
    } cases[] = {{"# Manual\n\nThai \xE0\xB8\x81 in `code \xE0\xB8\x82`\n",
                  "glyph for \xE0\xB8\x81 (U+0E01), \xE0\xB8\x82 (U+0E02)"},
                 {"Text without a heading\n", "has no title"}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.markdown);
        std::ofstream(folder / "manual.md") << test.markdown;
        const KorvaneTesting::ProcessResult result = KorvaneTesting::RunProcess(
            KORVANE_MAKE_MANUAL, {(folder / "manual.md").string(), (folder / "manual.pdf").string()});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find(test.reason), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(folder / "manual.pdf"));
    }
    fs::remove_all(folder);
}

} // namespace
