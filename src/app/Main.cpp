// Process entry: start-up, the loop, and the exit sequence, in the order
// that keeps the component-object runtime alive while any control object is.
#include "Application.h"
#include "CatchSite.h"
#include "Cursors.h"
#include "ErrorDisplay.h"
#include "Exceptions.h"
#include "OleSession.h"
#include "Unit1.h"

#include <windows.h>

#include <cxxabi.h>
#include <exception>
#include <memory>

namespace {

constexpr char kApplicationTitle[] = "Quellmark Brenvik";
constexpr UINT kExitNormal = 0;
constexpr UINT kExitStartupFailed = 1;
// The run-time error number of an exception that nothing handled.
constexpr int kRuntimeErrorUnhandled = 217;

int ReadStartupShowCommand() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}

[[noreturn]] void RuntimeError(std::exception_ptr error) {
    ShowRuntimeErrorBox(kRuntimeErrorUnhandled, FailureAddress(error));
    ExitProcess(kRuntimeErrorUnhandled);
}

// A C++ failure that no catch site can take any more, for instance one
// escaping a destructor during the exit sequence; or none at all, after a
// pure virtual call or a bare std::terminate.
[[noreturn]] void OnTerminate() { RuntimeError(std::current_exception()); }

// The application's forms, destroyed when the scope that made them is left.
struct FormsOwner {
    TApplication& application;
    ~FormsOwner() {
        application.DestroyForms();
        Form1 = nullptr;
    }
};

}  // namespace

// The C++ runtime's default terminate handler, which wWinMain replaces first
// thing; until then (static initialisers) it is this one. The runtime's own
// prints the failure's type to the standard error stream, which a windowed
// program does not have, and takes the runtime's whole demangler (some 46 KB,
// a seventh of the program) into the static link to do so. Because it is
// defined here, the library's handler is never linked.
void __gnu_cxx::__verbose_terminate_handler() { OnTerminate(); }

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    std::set_terminate(&OnTerminate);

    // Module initialisation: the application object and its hidden window
    // exist before anything else; a failure here is a run-time error.
    std::unique_ptr<TApplication> application;
    try {
        application = std::make_unique<TApplication>(instance, ReadStartupShowCommand());
        SetApplication(application.get());
        SetFailureHandler(&ReportException);
        LoadProgramCursors(instance);
    } catch (...) { RuntimeError(std::current_exception()); }

    UINT exitCode = kExitNormal;
    {
        // Declared in this order, the forms, and with them the browser
        // control, go before OLE does, however the scope is left.
        const OleSession ole;
        const FormsOwner forms{*application};
        try {
            application->SetTitle(kApplicationTitle);
            Form1 = &application->CreateForm<TForm1>();
            application->Run();
        } catch (...) {
            // The start-up failure path. C++ failures are not structured
            // exceptions, so the platform's unhandled-exception filter has
            // nothing to say about them and is not asked; it would only start
            // the crash reporter.
            ShowFallbackErrorBox(std::current_exception());
            exitCode = kExitStartupFailed;
        }
    }
    application.reset();
    SetApplication(nullptr);
    ExitProcess(exitCode);
}
