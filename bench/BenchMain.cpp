// The bench driver: runs one measurement under Wine and prints its figures.
//   QbBenchDriver startup RUNS WARMUPS NAME CLASS EXE ARG [NAME CLASS EXE ARG ...]   (ARG "-": none)
//   QbBenchDriver idle SECONDS RUNS APP_EXE FLOOR_EXE
//   QbBenchDriver ticks TICKS RUNS APP_EXE
// Exit code 0 when every measurement could be made, 1 when some machinery
// failed, 2 for a wrong command line. Timing targets never fail it.
#include "BenchReport.h"
#include "Benches.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: QbBenchDriver startup RUNS WARMUPS NAME CLASS EXE ARG [NAME CLASS EXE ARG ...]\n"
                 "       QbBenchDriver idle SECONDS RUNS APP_EXE FLOOR_EXE\n"
                 "       QbBenchDriver ticks TICKS RUNS APP_EXE\n");
    return 2;
}

bool Count(const wchar_t* text, int* value) {
    wchar_t* end = nullptr;
    long parsed = std::wcstol(text, &end, 10);
    if (end == text || *end != L'\0' || parsed < 0 || parsed > 100000) return false;
    *value = int(parsed);
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // The viewer inherits the driver's environment. It gets no call log, whose file writes would land inside the
    // ticks being timed, and no injected faults.
    SetEnvironmentVariableW(L"QB_DOUBLE_LOG", nullptr);
    SetEnvironmentVariableW(L"QB_DOUBLE_FAIL", nullptr);
    if (argc < 2) return Usage();
    std::wstring command = argv[1];
    int first = 0, second = 0;
    if (command == L"startup" && argc >= 8 && (argc - 4) % 4 == 0 && Count(argv[2], &first) &&
        Count(argv[3], &second) && first > 0) {
        std::vector<Target> targets;
        for (int i = 4; i + 3 < argc; i += 4) {
            std::wstring argument = argv[i + 3];
            targets.push_back({argv[i], argv[i + 1], argv[i + 2], argument == L"-" ? L"" : argument});
        }
        BenchStartup(targets, first, second);
    } else if (command == L"idle" && argc == 6 && Count(argv[2], &first) && Count(argv[3], &second) && second > 0) {
        BenchIdle({L"app", L"TForm1", argv[4], L""}, {L"floor", L"QbBenchBareWindow", argv[5], L""}, first, second);
    } else if (command == L"ticks" && argc == 5 && Count(argv[2], &first) && Count(argv[3], &second) && second > 0) {
        BenchTicks({L"app", L"TForm1", argv[4], L""}, first, second);
    } else {
        return Usage();
    }
    std::printf("%d failures\n", Failures());
    return Failures() ? 1 : 0;
}
