// drawing-host: a stand-in drawing host with a window. It loads the add-in as a host does and shows documents
// read from structure files; a person can use it, and scripts (the tests, the demo) drive it unattended.
#include "host_app.h"
#include "picture.h"
#include "registry_sandbox.h"
#include "runner.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace {

using namespace drawing_host;

constexpr char kUsage[] = R"(usage: drawing-host [OPTION...] [ACTION...]

Without actions the host waits for a person. Each ACTION is one step of a script (see below); with
actions, or with --script, the host runs them unattended, printing what happens, and ends after the last.

Options:
  --name NAME            the application name the add-in sees (default "Velmora 19.0")
  --addin PROGID         the add-in's extension object (default "Ulnara19.Extension"; "" for none)
  --size WIDTHxHEIGHT    of each main window (default 640x480)
  --script FILE          steps from a file, one per line, before those on the command line
  --wait SECONDS         how long a step waits for what it needs (default 10)
  --timeout SECONDS      end the run with exit code 3 after this long (default 120; 0: never)
  --registry-sandbox KEY the keys HKEY_CURRENT_USER\KEY\HKCU and ...\KEY\HKLM stand in for the two hives
                         (as the tests' registry sandbox lays them out; COM activation is not affected)

Actions:
  open PATH | select all | select none | select [atoms ID...] [bonds ID...]
  click [ctrl] [shift] atom|bond ID | open-menu MENU | close-menu | choose MENU > ITEM
  dialog TITLE | type ID TEXT | press ID | read ID | wait ID TEXT | screenshot [client|dialog] FILE.png
  execute-direct ITEM-PATH TEXT | print [selection] | expect enabled|disabled MENU > ITEM
  expect atoms|selected N | quit

Exit codes: 0 every step and call succeeded, 1 something failed (reported as "error: ..."), 2 wrong
usage or script, 3 the run took longer than --timeout.
)";

struct CommandLine {
    Options options;
    std::vector<std::string> lines;
    std::string registrySandbox;
    std::uint64_t waitMilliseconds = 10'000;
    std::uint64_t timeoutMilliseconds = 120'000;
};

std::optional<std::uint64_t> Seconds(const std::string& text)
{
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || text.front() == '-' || value > 86'400)
        return std::nullopt;
    return value * 1000;
}

std::optional<CommandLine> ParseArguments(int argc, char** argv, std::string* error)
{
    CommandLine command;
    std::vector<std::string> actions;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        auto value = [&]() -> std::optional<std::string> {
            if (index + 1 >= argc)
                return std::nullopt;
            return std::string(argv[++index]);
        };
        std::optional<std::string> given;
        if (argument == "--name" && (given = value())) {
            command.options.name = *given;
        } else if (argument == "--addin" && (given = value())) {
            command.options.addin = *given;
        } else if (argument == "--size" && (given = value())) {
            int width = 0, height = 0;
            char rest = 0;
            if (std::sscanf(given->c_str(), "%dx%d%c", &width, &height, &rest) != 2 || width < 200 || height < 150
                || width > 8000 || height > 8000) {
                *error = "--size takes WIDTHxHEIGHT, from 200x150 to 8000x8000";
                return std::nullopt;
            }
            command.options.width = width;
            command.options.height = height;
        } else if (argument == "--script" && (given = value())) {
            std::ifstream in(*given, std::ios::binary);
            if (!in) {
                *error = "cannot read the script " + *given;
                return std::nullopt;
            }
            std::ostringstream text;
            text << in.rdbuf();
            for (std::string& line : SplitLines(text.str()))
                command.lines.push_back(std::move(line));
            command.options.unattended = true;
        } else if ((argument == "--wait" || argument == "--timeout") && (given = value())) {
            auto milliseconds = Seconds(*given);
            if (!milliseconds) {
                *error = argument + " takes a number of seconds";
                return std::nullopt;
            }
            (argument == "--wait" ? command.waitMilliseconds : command.timeoutMilliseconds) = *milliseconds;
        } else if (argument == "--registry-sandbox" && (given = value())) {
            command.registrySandbox = *given;
        } else if (argument.starts_with("--")) {
            *error = argument == "--help" ? "" : "unknown option or missing value: " + argument;
            return std::nullopt;
        } else {
            actions.push_back(argument);
        }
    }
    if (!actions.empty())
        command.options.unattended = true;
    command.lines.insert(command.lines.end(), actions.begin(), actions.end());
    return command;
}

// Ends a run that takes too long (a host call that never returns), so a test or the demo never hangs.
class Watchdog {
public:
    explicit Watchdog(std::uint64_t milliseconds) : m_done(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        if (milliseconds == 0 || !m_done)
            return;
        m_thread = std::thread([this, milliseconds] {
            if (WaitForSingleObject(m_done.get(), static_cast<DWORD>(milliseconds)) == WAIT_TIMEOUT) {
                std::printf("error: the run took longer than %llu s; ending it\n",
                            static_cast<unsigned long long>(milliseconds / 1000));
                std::fflush(stdout);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        });
    }
    ~Watchdog()
    {
        SetEvent(m_done.get());
        if (m_thread.joinable())
            m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    fw::unique_kernel_handle m_done;
    std::thread m_thread;
};

int Run(const CommandLine& command, std::vector<Step> steps)
{
    Watchdog watchdog(command.options.unattended ? command.timeoutMilliseconds : 0);
    // The registry keys a test prepared take the place of the two hives for this process.
    std::optional<regconfig::RegistrySandbox> registry;
    if (!command.registrySandbox.empty())
        registry.emplace(command.registrySandbox);
    HostApp app(command.options);
    std::optional<ScriptRunner> runner;
    if (!app.Start())
        return 1;
    if (command.options.unattended) {
        runner.emplace(app, std::move(steps), command.waitMilliseconds);
        runner->Start();
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (runner && runner->StepsLeft() > 0)
        app.Fail("the host ended with " + std::to_string(runner->StepsLeft()) + " steps of the script left");
    return app.Failures() > 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    auto command = ParseArguments(argc, argv, &error);
    if (!command) {
        if (!error.empty())
            std::fprintf(stderr, "drawing-host: %s\n\n", error.c_str());
        std::fputs(kUsage, error.empty() ? stdout : stderr);
        return error.empty() ? 0 : 2;
    }
    ScriptError scriptError;
    auto steps = ParseScript(command->lines, &scriptError);
    if (!steps) {
        std::fprintf(stderr, "drawing-host: cannot read the step \"%s\": %s\n",
                     command->lines[static_cast<std::size_t>(scriptError.line - 1)].c_str(), scriptError.message.c_str());
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    int status = 1;
    try {
        status = Run(*command, std::move(*steps));
    } catch (const std::exception& failure) {
        std::printf("error: %s\n", failure.what());
    }
    CoUninitialize();
    return status;
}
