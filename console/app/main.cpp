// tavrosk-console: the management console. With --headless, or when there is no display to open a
// window on, it runs the headless console: commands from standard input or from a script file, the
// output on standard output, exit status 1 when any command failed.
//
//   tavrosk-console [--headless] [--script FILE] [--stop-on-error] [--snapin NAME|{CLSID}]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "console.h"
#include "input.h"
#include "session.h"
#include "tvplatform.h"

namespace {

const char kUsage[] = "usage: tavrosk-console [--headless] [--script FILE] [--stop-on-error] "
                      "[--snapin NAME|{CLSID}]\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "tavrosk-console: %s\n%s", problem, kUsage);
    return 2;
}

int Help() {
    std::cout << kUsage
              << "  --headless        the command language on standard input (or --script FILE), output on "
                 "standard output\n"
                 "  --stop-on-error   end the run at the first command that fails (exit status 1)\n"
                 "  --snapin          load only this registered snap-in\n\n";
    Headless::PrintCommandHelp(std::cout);
    return 0;
}

// The snap-in the option names: its class id, or the registered name of one.
bool FindSnapin(const std::string& wanted, CLSID* clsid) {
    std::wstring text = tvp::FromUtf8(wanted);
    if (SUCCEEDED(CLSIDFromString(text.c_str(), clsid))) return true;
    for (const Console::CRegisteredSnapin& snapin : Console::FindRegisteredSnapins())
        if (snapin.name == text) {
            *clsid = snapin.clsid;
            return true;
        }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    bool headless = false, stopOnError = false;
    std::string script, snapin;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--headless")
            headless = true;
        else if (arg == "--script" && i + 1 < argc)
            script = argv[++i];
        else if (arg == "--snapin" && i + 1 < argc)
            snapin = argv[++i];
        else if (arg == "--stop-on-error")
            stopOnError = true;
        else if (arg == "--help" || arg == "-h")
            return Help();
        else
            return Usage(("unknown argument " + arg).c_str());
    }
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!headless && ((display && *display) || (wayland && *wayland)))
        std::fprintf(stderr, "tavrosk-console: the desktop window is not part of this build yet; "
                             "the headless console runs instead.\n");

    std::shared_ptr<std::istream> input;
    if (!script.empty()) {
        input = std::make_shared<std::ifstream>(script);
        if (!*input) {
            std::fprintf(stderr, "tavrosk-console: cannot read the script %s\n", script.c_str());
            return 2;
        }
    } else {
        if (isatty(STDIN_FILENO))
            std::fprintf(stderr,
                         "tavrosk-console: one command per line (tree, list PATH, menu PATH, verbs PATH, "
                         "status, help, quit ...)\n");
        input = std::shared_ptr<std::istream>(&std::cin, [](std::istream*) {});
    }

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int status = 0;
    {
        Console::CConsole console;
        std::wstring problem;
        HRESULT hr;
        if (snapin.empty()) {
            hr = console.AddRegisteredSnapins(&problem);
        } else {
            CLSID clsid;
            if (!FindSnapin(snapin, &clsid)) {
                std::fprintf(stderr, "tavrosk-console: no snap-in %s is registered\n", snapin.c_str());
                CoUninitialize();
                return 1;
            }
            hr = console.AddSnapin(clsid, &problem);
        }
        if (!problem.empty()) std::fprintf(stderr, "tavrosk-console: %s\n", tvp::ToUtf8(problem).c_str());
        if (FAILED(hr)) {
            CoUninitialize();
            return 1;
        }
        Headless::CSession session(console, std::cout);
        session.SetStopOnError(stopOnError);
        Headless::CCommandWindow window(session);
        console.SetMainWindow(window.Handle());
        // The console opens with its first snap-in's static node selected, as a console document does.
        if (!console.Roots().empty()) console.View().SelectScopeItem(console.Roots().front());
        Headless::ReadLinesOnThread(
            input, [mailbox = window.Mailbox()](const std::string* line) { mailbox->Post(line); });
        window.Run();
        status = session.AnyFailed() ? 1 : 0;
        console.Close();
    }
    CoFreeUnusedLibraries();
    CoUninitialize();
    std::cout.flush();
    return status;
}
