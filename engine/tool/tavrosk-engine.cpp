// tavrosk-engine: administers the engine's instances from the shell, for setting up, for tests and for
// administrators. SERVER arguments are server names as a client gives them ("(local)", "HOST",
// "HOST\INSTANCE"). Result sets print as a line of column names and one line per row, the cells
// separated by tabs; errors go to standard error with the server's number, and the exit status is 1.
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace {

using namespace tvengine;

const char kUsage[] =
    "usage: tavrosk-engine [--login NAME [--password-file FILE | --password PW]] COMMAND ...\n"
    "  A SQL login's password comes from --password-file, else TAVROSK_PASSWORD, else a prompt when\n"
    "  standard input is a terminal. --password PW is for scripts: the process list shows it.\n"
    "  instance create [NAME] [--version MAJOR]    (the prefix's owner only)\n"
    "  instance list\n"
    "  instance drop NAME                          (the prefix's owner only)\n"
    "  database create SERVER NAME [--data PATH] [--log PATH]\n"
    "  database list SERVER\n"
    "  database drop SERVER NAME\n"
    "  database readonly SERVER NAME on|off\n"
    "  locks SERVER DATABASE\n"
    "  login add SERVER NAME [--windows | --group | --password-file FILE | --password PW] [--sysadmin]\n"
    "  login list SERVER\n"
    "  backup SERVER DATABASE FILE [--description TEXT] [--name TEXT] [--append] [--stats]\n"
    "  restore SERVER DATABASE FILE [--move LOGICAL PATH]... [--replace] [--stats]\n"
    "  job list SERVER\n"
    "  job add SERVER NAME [--owner LOGIN] [--disabled] [--step NAME DATABASE COMMAND]...\n"
    "          [--schedule NAME TYPE INTERVAL FACTOR STARTDATE STARTTIME]...\n"
    "  job remove SERVER JOB\n"
    "  job start SERVER JOB [STEP]\n"
    "  job history SERVER JOB\n"
    "  filelist FILE\n"
    "  sql SERVER DATABASE \"SQL\"\n";

struct Usage {};

// Tabs and line breaks inside a cell would break the line format; they are written as \t, \n and \r.
std::string Cell(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

void Print(const std::vector<std::string>& cells) {
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i) line += '\t';
        line += Cell(cells[i]);
    }
    std::printf("%s\n", line.c_str());
}

void Print(const ResultSet& result) {
    std::vector<std::string> header;
    for (const Column& column : result.Columns())
        header.push_back(column.name);
    Print(header);
    for (size_t row = 0; row < result.RowCount(); ++row) {
        std::vector<std::string> cells;
        for (size_t column = 0; column < result.ColumnCount(); ++column)
            cells.push_back(result.Text(row, column));
        Print(cells);
    }
}

std::string Date(std::time_t when) {
    if (when == 0) return {};
    struct tm tm;
    localtime_r(&when, &tm);
    char buffer[32];
    std::strftime(buffer, sizeof(buffer), "%Y-%m-%d %H:%M:%S", &tm);
    return buffer;
}

class Arguments {
public:
    Arguments(int argc, char** argv) : args_(argv + 1, argv + argc) {}
    bool Empty() const { return at_ >= args_.size(); }
    std::string Next() {
        if (Empty()) throw Usage{};
        return args_[at_++];
    }
    bool Peek(const char* option) const { return !Empty() && args_[at_] == option; }
    std::vector<std::string> Rest() { return {args_.begin() + static_cast<long>(at_), args_.end()}; }

private:
    std::vector<std::string> args_;
    size_t at_ = 0;
};

Credentials g_credentials;

std::unique_ptr<Session> Open(const std::string& server) {
    return Connect(server, g_credentials, "tavrosk-engine");
}

// Reports each multiple of 10 percent that the work passes, also when one step passes several.
Progress Stats(bool on) {
    if (!on) return {};
    auto next = std::make_shared<int>(10);
    return [next](int percent) {
        for (; *next <= percent && *next <= 100; *next += 10)
            std::printf("%d percent processed.\n", *next);
        std::fflush(stdout);
    };
}

int Number(const std::string& text, const char* what) {
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX)
        throw Error(kErrSyntax, "The " + std::string(what) + " '" + text + "' is not a number.");
    return static_cast<int>(value);
}

// A password from a file (its first line), without showing it in the process list.
std::string PasswordFromFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "r");
    if (!file)
        throw Error(kErrInternal,
                    "Cannot read the password file '" + path + "': " + std::strerror(errno) + ".");
    std::string password;
    for (int c; (c = std::fgetc(file)) != EOF && c != '\n';)
        password += static_cast<char>(c);
    std::fclose(file);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return password;
}

// Asks on the terminal, without echo; false when standard input is not a terminal.
bool PromptPassword(const char* prompt, std::string* password) {
    if (!::isatty(STDIN_FILENO)) return false;
    std::fprintf(stderr, "%s", prompt);
    struct termios old, quiet;
    bool restore = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (restore) {
        quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    password->clear();
    for (int c; (c = std::fgetc(stdin)) != EOF && c != '\n';)
        *password += static_cast<char>(c);
    if (restore) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    std::fprintf(stderr, "\n");
    return true;
}

int InstanceCommand(Arguments& args) {
    std::string verb = args.Next();
    if (verb == "create") {
        std::string name;
        InstanceOptions options;
        for (auto rest = args.Rest(); !rest.empty();) {
            std::string arg = rest.front();
            rest.erase(rest.begin());
            if (arg == "--version") {
                if (rest.empty()) throw Usage{};
                options.majorVersion = Number(rest.front(), "version");
                rest.erase(rest.begin());
            } else if (name.empty() && arg.rfind("--", 0) != 0) {
                name = arg;
            } else {
                throw Usage{};
            }
        }
        InstanceSettings settings = CreateInstance(name, options);
        std::printf("Created instance %s (%s), version %s.\n", settings.name.c_str(),
                    settings.serverName.c_str(), settings.versionText.c_str());
        return 0;
    }
    if (verb == "list") {
        Print({"Name", "ServerName", "Version", "Folder"});
        for (const std::string& name : ListInstances()) {
            InstanceSettings settings = GetInstanceSettings(name);
            Print({settings.name, settings.serverName, settings.versionText, settings.rootFolder});
        }
        return 0;
    }
    if (verb == "drop") {
        DropInstance(args.Next());
        return 0;
    }
    throw Usage{};
}

int DatabaseCommand(Arguments& args) {
    std::string verb = args.Next();
    auto session = Open(args.Next());
    if (verb == "create") {
        DatabaseSpec spec;
        spec.name = args.Next();
        for (auto rest = args.Rest(); !rest.empty(); rest.erase(rest.begin(), rest.begin() + 2)) {
            if (rest.size() < 2) throw Usage{};
            if (rest[0] == "--data")
                spec.dataFile = rest[1];
            else if (rest[0] == "--log")
                spec.logFile = rest[1];
            else
                throw Usage{};
        }
        session->CreateDatabase(spec);
        return 0;
    }
    if (verb == "list") {
        Print({"Name", "DbId", "SystemObject", "Status", "ReadOnly", "CreateDate", "LastBackup", "SizeMB",
               "SpaceAvailableMB", "LogSizeMB", "LogSpaceAvailableMB", "DataFile", "LogFile"});
        for (const DatabaseInfo& db : session->Databases()) {
            std::string data, log;
            for (const auto& file : db.files)
                (file.type == 'L' ? log : data) = file.physicalName;
            char space[32], logSpace[32];
            std::snprintf(space, sizeof(space), "%.2f", db.spaceAvailableMB);
            std::snprintf(logSpace, sizeof(logSpace), "%.2f", db.logSpaceAvailableMB);
            Print({db.name, std::to_string(db.id), db.systemObject ? "1" : "0", std::to_string(db.status),
                   db.readOnly ? "1" : "0", Date(db.created), Date(db.lastBackup), std::to_string(db.sizeMB),
                   space, std::to_string(db.logSizeMB), logSpace, data, log});
        }
        return 0;
    }
    if (verb == "drop") {
        session->DropDatabase(args.Next());
        return 0;
    }
    if (verb == "readonly") {
        std::string name = args.Next(), state = args.Next();
        if (state != "on" && state != "off") throw Usage{};
        session->SetReadOnly(name, state == "on");
        return 0;
    }
    throw Usage{};
}

int LoginCommand(Arguments& args) {
    std::string verb = args.Next();
    auto session = Open(args.Next());
    if (verb == "list") {
        Print({"Name", "Type", "Sysadmin"});
        auto admins = session->RoleMembers("sysadmin");
        for (const LoginInfo& login : session->Logins()) {
            bool admin = false;
            for (const auto& member : admins)
                admin = admin || strcasecmp(member.c_str(), login.name.c_str()) == 0;
            const char* type = login.type == LoginType::Sql            ? "SQL"
                               : login.type == LoginType::WindowsGroup ? "WindowsGroup"
                                                                       : "WindowsUser";
            Print({login.name, type, admin ? "1" : "0"});
        }
        return 0;
    }
    if (verb != "add") throw Usage{};
    LoginInfo login;
    login.name = args.Next();
    std::string password;
    bool sysadmin = false, passwordGiven = false;
    while (!args.Empty()) {
        std::string option = args.Next();
        if (option == "--windows")
            login.type = LoginType::WindowsUser;
        else if (option == "--group")
            login.type = LoginType::WindowsGroup;
        else if (option == "--sysadmin")
            sysadmin = true;
        else if (option == "--password") {
            password = args.Next();
            passwordGiven = true;
        } else if (option == "--password-file") {
            password = PasswordFromFile(args.Next());
            passwordGiven = true;
        } else
            throw Usage{};
    }
    if (login.type == LoginType::Sql && !passwordGiven &&
        !PromptPassword(("Password for the new login " + login.name + ": ").c_str(), &password))
        throw Usage{};
    session->BeginTransaction();
    try {
        session->AddLogin(login, password);
        if (sysadmin) session->AddRoleMember("sysadmin", login.name);
        session->CommitTransaction();
    } catch (...) {
        session->RollbackTransaction();
        throw;
    }
    return 0;
}

int BackupCommand(Arguments& args) {
    auto session = Open(args.Next());
    BackupRequest request;
    request.database = args.Next();
    request.file = args.Next();
    request.initialize = true;
    bool stats = false;
    while (!args.Empty()) {
        std::string option = args.Next();
        if (option == "--description")
            request.description = args.Next();
        else if (option == "--name")
            request.name = args.Next();
        else if (option == "--append")
            request.initialize = false;
        else if (option == "--stats")
            stats = true;
        else
            throw Usage{};
    }
    session->Backup(request, Stats(stats));
    return 0;
}

int RestoreCommand(Arguments& args) {
    auto session = Open(args.Next());
    RestoreRequest request;
    request.database = args.Next();
    request.file = args.Next();
    bool stats = false;
    while (!args.Empty()) {
        std::string option = args.Next();
        if (option == "--move") {
            std::string logical = args.Next();
            request.move.emplace_back(logical, args.Next());
        } else if (option == "--replace") {
            request.replace = true;
        } else if (option == "--stats") {
            stats = true;
        } else {
            throw Usage{};
        }
    }
    session->Restore(request, Stats(stats));
    return 0;
}

int Number(const std::string& text) {
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end) throw Usage{};
    return static_cast<int>(value);
}

// A schedule in the server's encoding: TYPE 1 once, 4 daily, 8 weekly, 16 monthly; INTERVAL the days,
// the weekday mask (Sunday 1) or the day of the month; FACTOR every n weeks or months; STARTDATE
// yyyymmdd and STARTTIME hhmmss.
JobSchedule ScheduleArguments(Arguments& args) {
    JobSchedule schedule;
    schedule.name = args.Next();
    schedule.frequencyType = Number(args.Next());
    schedule.frequencyInterval = Number(args.Next());
    schedule.frequencyRecurrenceFactor = Number(args.Next());
    schedule.activeStartDate = Number(args.Next());
    schedule.activeStartTime = Number(args.Next());
    return schedule;
}

int JobCommand(Arguments& args) {
    std::string verb = args.Next();
    auto session = Open(args.Next());
    if (verb == "list") {
        Print({"Name", "Category", "Enabled", "Steps", "Schedules", "CurrentStatus", "LastRunOutcome",
               "LastRunDate", "LastRunTime", "NextRunDate", "NextRunTime"});
        for (const Job& job : session->Jobs())
            Print({job.name, job.category, job.enabled ? "1" : "0", std::to_string(job.steps.size()),
                   std::to_string(job.schedules.size()), std::to_string(job.currentStatus),
                   std::to_string(job.lastRunOutcome), std::to_string(job.lastRunDate),
                   std::to_string(job.lastRunTime), std::to_string(job.nextRunDate),
                   std::to_string(job.nextRunTime)});
        return 0;
    }
    if (verb == "add") {
        Job job;
        job.name = args.Next();
        while (!args.Empty()) {
            std::string option = args.Next();
            if (option == "--owner") {
                job.owner = args.Next();
            } else if (option == "--disabled") {
                job.enabled = false;
            } else if (option == "--step") {
                JobStep step;
                step.id = static_cast<int>(job.steps.size()) + 1;
                step.name = args.Next();
                step.databaseName = args.Next();
                step.command = args.Next();
                job.steps.push_back(step);
            } else if (option == "--schedule") {
                job.schedules.push_back(ScheduleArguments(args));
            } else {
                throw Usage{};
            }
        }
        // The steps run one after the other: each goes on to the next, the last quits with success.
        for (size_t i = 0; i + 1 < job.steps.size(); ++i)
            job.steps[i].onSuccessAction = 3;
        std::printf("%s\n", session->AddJob(job).c_str());
        return 0;
    }
    if (verb == "remove") {
        std::string job = args.Next();
        if (!args.Empty()) throw Usage{};
        session->RemoveJob(job);
        return 0;
    }
    if (verb == "start") {
        std::string job = args.Next();
        std::string step = args.Empty() ? std::string() : args.Next();
        if (!args.Empty()) throw Usage{};
        session->StartJob(job, step);
        return 0;
    }
    if (verb == "history") {
        std::string job = args.Next();
        if (!args.Empty()) throw Usage{};
        Print({"StepID", "StepName", "RunStatus", "RunDate", "RunTime", "RunDuration", "SqlMessageID",
               "Message"});
        for (const JobHistoryEntry& entry : session->JobHistory(job))
            Print({std::to_string(entry.stepId), entry.stepName, std::to_string(entry.runStatus),
                   std::to_string(entry.runDate), std::to_string(entry.runTime),
                   std::to_string(entry.runDuration), std::to_string(entry.sqlMessageId), entry.message});
        return 0;
    }
    throw Usage{};
}

int Run(Arguments& args) {
    bool passwordGiven = false;
    while (args.Peek("--login") || args.Peek("--password") || args.Peek("--password-file")) {
        std::string option = args.Next();
        if (option == "--login") {
            g_credentials.login = args.Next();
        } else {
            g_credentials.password = option == "--password" ? args.Next() : PasswordFromFile(args.Next());
            passwordGiven = true;
        }
        g_credentials.integrated = false;
    }
    if (!g_credentials.integrated && !passwordGiven) {
        if (const char* password = std::getenv("TAVROSK_PASSWORD"))
            g_credentials.password = password;
        else if (!PromptPassword(("Password for " + g_credentials.login + ": ").c_str(),
                                 &g_credentials.password))
            throw Usage{};
    }
    std::string command = args.Next();
    if (command == "instance") return InstanceCommand(args);
    if (command == "database") return DatabaseCommand(args);
    if (command == "login") return LoginCommand(args);
    if (command == "backup") return BackupCommand(args);
    if (command == "job") return JobCommand(args);
    if (command == "restore") return RestoreCommand(args);
    if (command == "filelist") {
        std::string file = args.Next();
        if (!args.Empty()) throw Usage{};
        Print(ReadFileList(file));
        return 0;
    }
    if (command == "locks") {
        auto session = Open(args.Next());
        Print(session->EnumLocks(args.Next()));
        return 0;
    }
    if (command == "sql") {
        auto session = Open(args.Next());
        std::string database = args.Next();
        std::string sql = args.Next();
        if (!args.Empty()) throw Usage{};
        bool first = true;
        auto results = session->Execute(database, sql, [](int percent) {
            std::printf("%d percent processed.\n", percent);
            std::fflush(stdout);
        });
        for (const ResultSet& result : results) {
            if (!first) std::printf("\n");
            Print(result);
            first = false;
        }
        return 0;
    }
    throw Usage{};
}

} // namespace

int main(int argc, char** argv) {
    Arguments args(argc, argv);
    try {
        return Run(args);
    } catch (const Usage&) {
        std::fputs(kUsage, stderr);
        return 2;
    } catch (const Error& error) {
        std::fprintf(stderr, "tavrosk-engine: error %d: %s\n", error.Number(), error.what());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tavrosk-engine: %s\n", error.what());
        return 1;
    }
}
