// tavrosk-console: the management console. It opens the desktop window when there is a display to open
// it on (DISPLAY or WAYLAND_DISPLAY) or with --desktop; with --headless, or without a display, it runs
// the headless console: commands from standard input or from a script file, the output on standard
// output, exit status 1 when any command failed. A script given to the window acts on the window.
//
//   tavrosk-console [--desktop|--headless] [--script FILE] [--stop-on-error] [--snapin NAME|{CLSID}]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "console.h"
#include "desktop.h"
#include "input.h"
#include "session.h"
#include "tvplatform.h"

namespace {

const char kUsage[] = "usage: tavrosk-console [--desktop|--headless] [--script FILE] [--stop-on-error] "
                      "[--snapin NAME|{CLSID}]\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "tavrosk-console: %s\n%s", problem, kUsage);
    return 2;
}

int Help() {
    std::cout
        << kUsage
        << "  --desktop         the window, even without DISPLAY or WAYLAND_DISPLAY (with --script FILE: "
           "the commands act on the window, screenshot FILE among them)\n"
           "  --headless        the command language on standard input (or --script FILE), output on "
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

// The headless console over `console`: commands from `input` until it ends or one says quit.
int RunHeadless(Console::CConsole& console, std::shared_ptr<std::istream> input, bool stopOnError) {
    Headless::CSession session(console, std::cout);
    session.SetStopOnError(stopOnError);
    Headless::CCommandWindow window(session);
    console.SetMainWindow(window.Handle());
    // The console opens with its first snap-in's static node selected, as a console document does.
    if (!console.Roots().empty()) console.View().SelectScopeItem(console.Roots().front());
    Headless::ReadLinesOnThread(
        std::move(input), [mailbox = window.Mailbox()](const std::string* line) { mailbox->Post(line); });
    window.Run();
    return session.AnyFailed() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    bool headless = false, desktop = false, stopOnError = false;
    std::string script, snapin;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--headless")
            headless = true;
        else if (arg == "--desktop")
            desktop = true;
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
    if (headless && desktop) return Usage("--desktop and --headless exclude each other");
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    desktop = desktop || (!headless && ((display && *display) || (wayland && *wayland)));

    std::shared_ptr<std::istream> input;
    if (desktop) {
        // the window reads its script itself
    } else if (!script.empty()) {
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
        status = desktop ? Desktop::Run(console, script, stopOnError, argc, argv)
                         : RunHeadless(console, input, stopOnError);
        console.Close();
    }
    CoFreeUnusedLibraries();
    CoUninitialize();
    std::cout.flush();
    return status;
}
