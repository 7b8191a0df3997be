#include "common/ProcessRun.h"
#include "support/MimeBase64.h"
#include "support/XmlDocument.h"

#include <gtest/gtest.h>

using KorvaneTesting::ProcessResult;

namespace {

ProcessResult Korvanectl(const std::vector<std::string>& args) {
    return KorvaneTesting::RunProcess(KORVANECTL_PATH, args);
}

std::vector<std::string> ParamTexts(const std::string& xml, const std::string& type) {
    Zelt::CXMLDocument document;
    document.LoadFromBytes(xml);
    std::vector<std::string> texts;
    for (const Zelt::CXMLNode& param : document.GetRootNode().SelectNodes("param[@type='" + type + "']")) {
        texts.push_back(param.GetText());
    }
    return texts;
}

} // namespace

TEST(KorvanectlCommandLine, HelpAndVersionSucceedAndMistakesExitWithTwo) {
    const ProcessResult help = Korvanectl({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("request"), std::string::npos);
    const ProcessResult version = Korvanectl({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("korvanectl ", 0), 0u);
    EXPECT_EQ(Korvanectl({}).exitCode, 2);

    const ProcessResult unknown = Korvanectl({"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown command \"frobnicate\""), std::string::npos);
    const ProcessResult badOption = Korvanectl({"request", "reboot", "--bogus"});
    EXPECT_EQ(badOption.exitCode, 2);
    EXPECT_NE(badOption.err.find("unknown option --bogus"), std::string::npos);
    EXPECT_NE(badOption.err.find("usage: korvanectl request"), std::string::npos);
    EXPECT_EQ(Korvanectl({"request"}).exitCode, 2);
    EXPECT_EQ(Korvanectl({"request", "dance"}).exitCode, 2);
    EXPECT_EQ(Korvanectl({"request", "reboot", "--wait", "soon"}).exitCode, 2);
    EXPECT_EQ(Korvanectl({"request", "auth", "--user"}).exitCode, 2);
    EXPECT_EQ(Korvanectl({"request", "--help"}).exitCode, 0);
}

TEST(KorvanectlRequest, PrintsTheStatusQueryDocument) {
    const ProcessResult result =
        Korvanectl({"request", "getinfo", "--category", "status", "--category=KORVANE_NETWORK", "--infotype",
                    "simple", "--key", "k1", "--wait", "30000"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ParamTexts(result.out, "category"),
              (std::vector<std::string>{"KORVANE_NETWORK", "KORVANE_STATUS"}));
    EXPECT_EQ(ParamTexts(result.out, "infotype"), std::vector<std::string>{"INFOTYPE_SIMPLE"});
    EXPECT_EQ(ParamTexts(result.out, "waitmillisec"), std::vector<std::string>{"30000"});
    EXPECT_NE(result.out.find("<auth>k1</auth>"), std::string::npos);
}

TEST(KorvanectlRequest, Base64OutputDecodesToTheSameDocument) {
    const ProcessResult xml = Korvanectl({"request", "auth", "--password", "pw"});
    const ProcessResult wire = Korvanectl({"request", "auth", "--password", "pw", "--base64"});
    ASSERT_EQ(wire.exitCode, 0);
    ASSERT_FALSE(wire.out.empty());
    const std::optional<std::string> decoded =
        Zelt::CMimeBase64::Decode(wire.out.substr(0, wire.out.size() - 1));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, xml.out);
    EXPECT_EQ(ParamTexts(xml.out, "user"), std::vector<std::string>{"admin"});
}

TEST(KorvanectlRequest, SetInfoThatIsNotXmlFailsClearly) {
    const ProcessResult result = Korvanectl({"request", "setinfo", "--infonode", "<eco>"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("could not be built"), std::string::npos);
    const ProcessResult shutdown =
        Korvanectl({"request", "setinfo", "--infonode", "<eco enable=\"false\"/>", "--shutdown"});
    ASSERT_EQ(shutdown.exitCode, 0);
    EXPECT_NE(shutdown.out.find("<postprocess command=\"SHUTDOWN\" condition=\"-1\" order=\"1\"/>"),
              std::string::npos)
        << shutdown.out;
    EXPECT_EQ(Korvanectl({"request", "setinfo", "--infonode-file", "/nonexistent/file"}).exitCode, 2);
}

TEST(KorvanectlRequest, FirmwareNameLosesItsDirectoryAndMelodyCodesPassThrough) {
    EXPECT_EQ(ParamTexts(Korvanectl({"request", "fwupdate", "--file", "/tmp/dir/image.bin"}).out, "name"),
              std::vector<std::string>{"image.bin"});
    EXPECT_EQ(ParamTexts(Korvanectl({"request", "melody", "--off"}).out, "command"),
              std::vector<std::string>{"off"});
    EXPECT_TRUE(ParamTexts(Korvanectl({"request", "melody", "--code", "5"}).out, "command").empty());
    EXPECT_EQ(ParamTexts(Korvanectl({"request", "poweroff", "--network"}).out, "network"),
              std::vector<std::string>{"TRUE"});
}
