// What every scenario gets: the checker, the driver's options, and the ways
// to start the viewer that the scenarios share.
#include "Scenario.h"

#include "Text.h"

Launch Context::LaunchFor(const std::string& tag, const std::wstring& failures) {
    Launch launch;
    launch.exe = options_.appExe;
    log_ = std::make_unique<DoubleLog>(options_.workDir + L"\\double-" + FromUtf8(tag) + L".log");
    if (options_.withDouble) {
        launch.environment[L"QB_DOUBLE_LOG"] = log_->Path();
        if (!failures.empty()) launch.environment[L"QB_DOUBLE_FAIL"] = failures;
    }
    return launch;
}

std::unique_ptr<AppProcess> Context::Start(const Launch& launch) {
    auto app = std::make_unique<AppProcess>();
    std::string error;
    if (!app->Start(launch, &error)) {
        check_.Fail("viewer starts", error);
        return nullptr;
    }
    return app;
}
