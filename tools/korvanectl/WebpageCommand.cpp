#include "AdminCommands.h"
#include "Arguments.h"
#include "CancelOnInterrupt.h"
#include "ManagedDeviceJson.h"
#include "Message.h"
#include "StoreAccess.h"
#include "TargetResolver.h"
#include "TerminalText.h"
#include "operations/WebPages.h"

#include <fcntl.h>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Korvanectl {
namespace {

// Runs xdg-open on the URL without a shell: the URL holds stored addresses, which must never be
// read as shell syntax.
bool OpenInBrowser(const std::string& url) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = "xdg-open";
    std::string argument = url;
    char* const argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int nError = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int nStatus = 0;
    return nError == 0 && waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

// One object per device handled, in order: its page's URL or the message shown instead, and the
// device that answered on no address, if any, which stopped the rest.
nlohmann::json PlanJson(const Korvane::WebPagePlan& plan, const Korvane::CKorvaneAdminInfoMgr& manager,
                        const std::vector<std::string>& macs) {
    nlohmann::json devices = nlohmann::json::array();
    for (size_t nStep = 0; nStep < plan.steps.size(); ++nStep) {
        const Korvane::WebPageStep& step = plan.steps[nStep];
        const bool bUrl = step.kind == Korvane::WebPageStep::OPEN_URL;
        devices.push_back(ManagedDeviceJson(manager, macs[nStep]));
        devices.back().update({{"reached", true},
                               {"url", bUrl ? nlohmann::json(step.text) : nlohmann::json(nullptr)},
                               {"message", bUrl ? nlohmann::json(nullptr) : nlohmann::json(step.text)}});
    }
    if (plan.bStopped && !plan.bCancelled && plan.steps.size() < macs.size()) {
        devices.push_back(ManagedDeviceJson(manager, macs[plan.steps.size()]));
        devices.back().update({{"reached", false}, {"url", nullptr}, {"message", nullptr}});
    }
    return devices;
}

int RunWebpage(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    const Arguments args(argv, {"settings"}, {"open", "json"});
    const std::vector<std::string>& words = args.Positionals();
    const std::map<std::string, int> pages = {{"time", Korvane::WEB_PAGE_TIME},
                                              {"ip", Korvane::WEB_PAGE_IP_ADDRESS},
                                              {"quota", Korvane::WEB_PAGE_QUOTA},
                                              {"mail", Korvane::WEB_PAGE_MAIL}};
    if (words.size() < 2 || pages.count(words.front()) == 0) {
        throw UsageError(Message(Zelt::Text::CliWebpageNeedsPage));
    }
    StoreAccess store(args.Value("settings"), StoreAccess::READ, err);
    const std::vector<std::string> macs =
        TargetResolver(store.Manager()).ResolveAll(std::vector<std::string>(words.begin() + 1, words.end()));
    std::vector<Korvane::CManagedDevice> devices;
    for (const std::string& mac : macs) {
        devices.push_back(*store.Manager().FindDevice(mac));
    }
    CancelOnInterrupt cancel;
    const Korvane::WebPagePlan plan =
        Korvane::CWebPages::Plan(pages.at(words.front()), devices, cancel.Event());
    for (const Korvane::WebPageStep& step : plan.steps) {
        const std::string shown = TerminalText::Escaped(step.text);
        if (step.kind == Korvane::WebPageStep::SHOW_MESSAGE) {
            err << shown << '\n';
            continue;
        }
        if (!args.Flag("json")) {
            out << shown << '\n';
        }
        if (args.Flag("open") && !OpenInBrowser(step.text)) {
            err << "korvanectl webpage: " << Message(Zelt::Text::CliCannotOpenInBrowser, {shown}) << '\n';
        }
    }
    if (args.Flag("json")) {
        out << TerminalText::Json(PlanJson(plan, store.Manager(), macs)) << '\n';
    }
    if (plan.bCancelled) {
        err << "korvanectl webpage: " << Zelt::CStringTable::Text(Zelt::Text::Cancelled) << '\n';
        return 130;
    }
    if (plan.bStopped) {
        err << "korvanectl webpage: "
            << Message(Zelt::Text::CliAnswersOnNoAddress, {TerminalText::Escaped(plan.stoppedBy)}) << '\n';
        return 1;
    }
    return 0;
}

} // namespace

std::unique_ptr<Command> MakeWebpageCommand() {
    return std::make_unique<FunctionCommand>("webpage", Message(Zelt::Text::CliSummaryWebpage),
                                             Message(Zelt::Text::CliUsageWebpage), RunWebpage);
}

} // namespace Korvanectl
