// A status update over twenty devices of which some time out, some warn and some cannot be
// reached: the store, the balloon and the error mail as a mail server receives it; the same
// state again gives neither.
#include "MailText.h"
#include "MonitoredDevices.h"
#include "ScriptedMailSettings.h"
#include "ScriptedSmtp.h"
#include "admin/TextFormat.h"
#include "support/StringTable.h"

#include <set>

#include <gtest/gtest.h>

using namespace Korvane;
using Zelt::CStringTable;

namespace {

// Besides the simulator's own warnings (capacity on 4 and 14, a notice on 7 and 17, a disk error
// on 9), two devices read the request and never answer, two stop listening.
const std::set<int> kSilent = {3, 11};
const std::set<int> kRefusing = {6, 16};

struct Expected {
    int nBits;
    int nResultCode;
    std::string status; // the list's status text, as the mail shows it
    int nAlertText;
};

Expected ExpectedOf(int i) {
    const std::string normal(CStringTable::Text(Zelt::Text::StatusNormal));
    const std::string caution(CStringTable::Text(Zelt::Text::StatusWarning));
    if (kSilent.count(i) != 0) {
        return {0, RESULT_TIMEOUT, CTextFormat::FormatId(Zelt::Text::StatusUpdateError, {normal}), 11900};
    }
    if (kRefusing.count(i) != 0) {
        return {STATUS_BIT_UNREACHABLE, RESULT_COMMUNICATION_ERROR,
                std::string(CStringTable::Text(Zelt::Text::StatusConnectionError)), 11904};
    }
    if (i % 20 == 9) {
        return {STATUS_BIT_DISK_ERROR, RESULT_SUCCESS,
                std::string(CStringTable::Text(Zelt::Text::StatusError)), 11901};
    }
    switch (i % 10) {
    case 4:
        return {STATUS_BIT_CAPACITY, RESULT_SUCCESS, caution, 11907};
    case 7:
        return {STATUS_BIT_NOTICE, RESULT_SUCCESS, caution, 11909};
    default:
        return {0, RESULT_SUCCESS, normal, 11900};
    }
}

} // namespace

TEST(UpdateOverManyDevices, TimeoutsWarningsAndUnreachableDevicesGiveOneBalloonAndOneMail) {
    KORVANE_REQUIRE_TEST_NETWORK(net, 1);
    OperationsTesting::Monitored monitored(*net, 20, "127.86.4.1");
    MailTesting::ScriptedServer smtp([](MailTesting::ScriptedSession& session) {
        MailTesting::ServeSmtp(session, MailTesting::SmtpBehaviour{});
    });
    monitored.manager.m_mail = MailTesting::ScriptedSettings(smtp.Port());
    monitored.manager.m_mail.bNotify = true;
    monitored.host.pMailFrom = &monitored.manager;
    for (int i : kSilent) {
        monitored.sim.Set(i, "mode", "silent");
    }
    for (int i : kRefusing) {
        monitored.sim.Set(i, "mode", "refuse");
    }

    monitored.Fire(CUpdateScheduler::STATUS_TIMER);

    std::string expectedBody;
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE("device " + std::to_string(i));
        const CManagedDevice& device = monitored.Device(i);
        const Expected expected = ExpectedOf(i);
        EXPECT_EQ(device.GetStatusBits(), expected.nBits);
        EXPECT_EQ(device.GetResultCode(), expected.nResultCode);
        expectedBody += CTextFormat::FormatId(Zelt::Text::ErrorMailDeviceLine,
                                              {monitored.sim.Devices().at(i).hostname, expected.status}) +
                        "\n" + std::string(CStringTable::Text(expected.nAlertText));
    }
    EXPECT_EQ(monitored.host.balloons, std::vector<int>{2})
        << "a disk error among the alerts: the error balloon";
    ASSERT_EQ(monitored.host.mailResults, (std::vector<std::optional<int>>{0}));
    const std::vector<std::string> transcripts = smtp.Transcripts();
    ASSERT_EQ(transcripts.size(), 1u);
    const MailTesting::ParsedMail mail = MailTesting::ParseMail(MailTesting::MessageOf(transcripts[0]));
    EXPECT_EQ(MailTesting::DecodeWords(MailTesting::HeaderOf(mail, "Subject")),
              CStringTable::Text(Zelt::Text::ErrorMailSubject));
    EXPECT_EQ(MailTesting::DecodedBody(mail), expectedBody);

    monitored.Fire(CUpdateScheduler::STATUS_TIMER);
    EXPECT_EQ(monitored.host.balloons.size(), 1u) << "the same alerts again: nothing new";
    EXPECT_EQ(monitored.host.nErrorMails, 1);
    EXPECT_EQ(smtp.Transcripts().size(), 1u);
}
