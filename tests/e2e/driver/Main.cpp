// QbTestDriver: drives the viewer under Wine through one scenario and
// reports each check; the exit code says whether all of them held.
//
//   QbTestDriver.exe <scenario> [--app PATH] [--host NAME] [--work DIR]
//                    [--screenshot FILE.bmp] [--ppi N] [--no-double]
#include "Scenario.h"
#include "Text.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Entry {
    const wchar_t* name;
    ScenarioFunction run;
};

constexpr Entry kScenarios[] = {
    {L"layout", ScenarioLayout},
    {L"close", ScenarioClose},
    {L"show-commands", ScenarioShowCommands},
    {L"key-offer", ScenarioKeyOffer},
    {L"wine-browser", ScenarioWineBrowser},
    {L"creation-refused", ScenarioCreationRefused},
    {L"activation-failures", ScenarioActivationFailures},
    {L"error-box", ScenarioErrorBox},
    {L"soak", ScenarioSoak},
    {L"random-input", ScenarioRandomInput},
    {L"startup-faults", ScenarioStartupFaults},
    {L"quiet-run", ScenarioQuietRun},
    {L"page", ScenarioPage},
    {L"timer", ScenarioTimer},
    {L"countdown", ScenarioCountdown},
    {L"edit", ScenarioEdit},
    {L"links", ScenarioLinks},
    {L"real-browser", ScenarioRealBrowser},
};

std::wstring Directory(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

std::wstring OwnPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring TempDir() {
    wchar_t path[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, path);
    std::wstring dir = path;
    if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
    return dir;
}

int Usage() {
    std::printf("usage: QbTestDriver <scenario> [--app PATH] [--host NAME] [--work DIR] "
                "[--screenshot FILE] [--ppi N] [--no-double]\nscenarios:");
    for (const Entry& entry : kScenarios) std::printf(" %s", ToUtf8(entry.name).c_str());
    std::printf("\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    Options options;
    options.appExe = Directory(OwnPath()) + L"\\QuellmarkBrenvik.exe";
    options.publisherHost = L"publisher.example";
    options.workDir = TempDir();
    for (int i = 2; i < argc; ++i) {
        std::wstring arg = argv[i];
        auto value = [&]() -> std::wstring { return i + 1 < argc ? argv[++i] : L""; };
        if (arg == L"--app") options.appExe = value();
        else if (arg == L"--host") options.publisherHost = value();
        else if (arg == L"--work") options.workDir = value();
        else if (arg == L"--screenshot") options.screenshot = value();
        else if (arg == L"--ppi") options.expectedPpi = _wtoi(value().c_str());
        else if (arg == L"--no-double") options.withDouble = false;
        else return Usage();
    }
    for (const Entry& entry : kScenarios) {
        if (std::wcscmp(entry.name, argv[1]) != 0) continue;
        Checker check;
        if (GetFileAttributesW(options.appExe.c_str()) == INVALID_FILE_ATTRIBUTES) {
            check.Fail("viewer exists", "no file " + ToUtf8(options.appExe));
            return check.Finish();
        }
        Context context(check, options);
        entry.run(context);
        return check.Finish();
    }
    return Usage();
}
