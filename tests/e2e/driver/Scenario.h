// What every scenario gets: the checker, the driver's options, and the ways
// to start the viewer that the scenarios share.
#pragma once

#include "AppProcess.h"
#include "BrowserDouble.h"
#include "Check.h"

#include <memory>
#include <string>

struct Options {
    std::wstring appExe;         // the viewer; beside the driver by default
    std::wstring publisherHost;  // the host the viewer was built with
    std::wstring workDir;        // where logs and pictures go (Windows path)
    std::wstring screenshot;     // BMP to write, for scenarios that take one
    int expectedPpi = 0;         // 0: whatever the screen says
    bool withDouble = true;      // false for the prefix with Wine's own browser
};

// Every wait in the scenarios is one of these, so none can hang.
constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 10000;
constexpr DWORD kBoxTimeoutMs = 10000;

class Context {
public:
    Context(Checker& check, Options options) : check_(check), options_(std::move(options)) {}
    Checker& Check() { return check_; }
    const Options& Opts() const { return options_; }
    std::wstring WindowTitle() const { return L"Open Positions on Brenvik with " + options_.publisherHost; }
    // A launch of the viewer whose double logs to a fresh file named after
    // tag and fails the listed calls.
    Launch LaunchFor(const std::string& tag, const std::wstring& failures = {});
    DoubleLog& Log() { return *log_; }
    // Starts the viewer; a failure is counted and null returned.
    std::unique_ptr<AppProcess> Start(const Launch& launch);

private:
    Checker& check_;
    Options options_;
    std::unique_ptr<DoubleLog> log_;
};

using ScenarioFunction = void (*)(Context&);

void ScenarioLayout(Context& context);
void ScenarioClose(Context& context);
void ScenarioShowCommands(Context& context);
void ScenarioKeyOffer(Context& context);
void ScenarioWineBrowser(Context& context);
void ScenarioCreationRefused(Context& context);
void ScenarioActivationFailures(Context& context);
void ScenarioErrorBox(Context& context);
void ScenarioSoak(Context& context);
void ScenarioRandomInput(Context& context);
void ScenarioStartupFaults(Context& context);
void ScenarioQuietRun(Context& context);
void ScenarioPage(Context& context);
void ScenarioTimer(Context& context);
void ScenarioCountdown(Context& context);
void ScenarioEdit(Context& context);
void ScenarioLinks(Context& context);
void ScenarioRealBrowser(Context& context);
